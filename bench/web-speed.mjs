// Start-up and frame rate of the browser build in Debian's headless Chromium (software WebGL):
//   node bench/web-speed.mjs SITE [SECONDS] [WIDTHxHEIGHT]
// SITE is the folder scripts/web.sh builds (build-web/site); `npm ci` in tests/web first.
// Prints: the page's load until "click to start" (download, WebAssembly compilation, media
// into the virtual file system), the click until the first frame shown (archive extraction,
// textures, meshes and effects: the program's own start-up), and the frames shown per second
// over SECONDS (default 30) of the demo from the first frame on, in 5-second steps.
import { launchChromium, openAndStart } from '../tests/web/chromium.mjs';
import { serve } from '../tests/web/serve.mjs';

const [site, secondsText = '30', sizeText = '800x600'] = process.argv.slice(2);
const size = /^([0-9]+)x([0-9]+)$/.exec(sizeText);
if (!site || !/^[0-9]+$/.test(secondsText) || !size) {
  console.error('usage: node bench/web-speed.mjs SITE [SECONDS] [WIDTHxHEIGHT]');
  process.exit(2);
}
const kStepMs = 5000;

const server = await serve(site);
const chromium = await launchChromium();
try {
  const { page } = chromium;
  const loadStart = Date.now();
  await openAndStart(page, `http://127.0.0.1:${server.address().port}/?width=${size[1]}&height=${size[2]}`);
  const loaded = Date.now() - loadStart;
  await page.waitForFunction(() => window.quillmoor.firstFrame !== null || window.quillmoor.done, null,
    { timeout: 600000, polling: 100 });
  const startUp = await page.evaluate(() => window.quillmoor.firstFrame - window.quillmoor.started);
  console.log(`page loaded (click to start): ${(loaded / 1000).toFixed(2)} s`);
  console.log(`click to first frame: ${(startUp / 1000).toFixed(2)} s`);
  const steps = [];
  let previous = await page.evaluate(() => ({ frames: window.quillmoor.frames, at: performance.now() }));
  for (let elapsed = 0; elapsed < Number(secondsText) * 1000; elapsed += kStepMs) {
    await page.waitForTimeout(kStepMs);
    const now = await page.evaluate(() => ({ frames: window.quillmoor.frames, at: performance.now() }));
    const fps = (now.frames - previous.frames) * 1000 / (now.at - previous.at);
    steps.push(fps);
    console.log(`  ${((elapsed + kStepMs) / 1000).toFixed(0).padStart(3)} s after the first frame: ${fps.toFixed(1)} frames/s`);
    previous = now;
  }
  const sorted = [...steps].sort((a, b) => a - b);
  console.log(`frames per second over ${secondsText} s: median ${sorted[Math.floor(sorted.length / 2)].toFixed(1)}, ` +
    `lowest ${sorted[0].toFixed(1)}, highest ${sorted[sorted.length - 1].toFixed(1)}`);
  const errors = chromium.errors;
  if (errors.length > 0) console.log(`errors on the console: ${errors.join(' | ')}`);
} finally {
  await chromium.close();
  server.close();
}
