// The browser build played in Debian's headless Chromium, against the native program.
//
// The folder scripts/web.sh builds is served on 127.0.0.1; the page is opened with a
// `shots` query, clicked to start, and must: print the archive extraction's lines to the
// console, let no error reach the console, end with exit code 0, and hand over a PNG for
// every music time asked for. Each of those frames is compared with the native program's
// `-shots` frame of the same time, rendered in this run: both reduced by a 4 x 4 box
// average (as the picture guard does), a frame passes while the mean absolute difference of
// every colour channel stays within kAllowedMeanDifference and at most kAllowedShare of the
// reduced pixels differ by more than kChannelTolerance in some channel. The two renderers
// differ (llvmpipe on the desktop, Chromium's software WebGL here) in rasterisation rules,
// texture filtering precision and the last bits of shader arithmetic, so the bounds are
// wider than the guard's own (measured: means of 0.1 to 0.7 and no reduced pixel off by more
// than 46); a wrong blend, a missing layer, a colour swap or a camera at another time changes
// large areas and fails.
//
// Environment: QUILLMOOR_SITE (the built folder), QUILLMOOR_NATIVE (the native program),
// QUILLMOOR_RUN (its run directory with the generated media), CHROMIUM (default
// /usr/bin/chromium). Frames and a report are written under a temporary directory.

import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import test from 'node:test';

import { launchChromium, openAndStart, waitForEnd } from './chromium.mjs';
import { serve } from './serve.mjs';

// One music time inside each scene (milliseconds), and the frame size.
const kShotMilliseconds = [16000, 33500, 50000, 63500, 77000, 91000, 106000, 128500, 148500, 167000, 182000];
const kWidth = 400;
const kHeight = 300;
// The fixed-step clock runs at this rate from 0 to the last shot (fewer frames to draw).
const kFramesPerSecond = 1;

const kReduction = 4;
const kChannelTolerance = 48;
const kAllowedShare = 0.01;
const kAllowedMeanDifference = 2.0;

const kRunTimeoutMs = 15 * 60 * 1000;
// Longest wait for the next frame: the start-up before the first one is the longest.
const kStallTimeoutMs = 120 * 1000;

function requiredEnvironment(name) {
  const value = process.env[name];
  assert.ok(value, `${name} must name ${name === 'QUILLMOOR_SITE' ? 'the built site' : 'the native build'}`);
  return value;
}

function shotName(ms) {
  const seconds = Math.floor(ms / 1000).toString().padStart(3, '0');
  const rest = (ms % 1000).toString().padStart(3, '0');
  return `shot_${seconds}.${rest}.png`;
}

function renderNative(nativeProgram, runDirectory, outDirectory) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quillmoor-native-'));
  fs.cpSync(runDirectory, work, { recursive: true });
  const result = spawnSync(nativeProgram, [
    `-width:${kWidth}`, `-height:${kHeight}`, `-fps:${kFramesPerSecond}`,
    `-shots:${kShotMilliseconds.map((ms) => (ms / 1000).toString()).join(',')}`, `-out:${outDirectory}`,
  ], { cwd: work, env: { ...process.env, SDL_VIDEODRIVER: 'offscreen' }, encoding: 'utf8', timeout: kRunTimeoutMs });
  fs.rmSync(work, { recursive: true, force: true });
  assert.equal(result.status, 0, `native shots failed: ${result.stderr}`);
}

// Reduces both pictures in the page (the browser decodes PNG) and measures their difference.
async function compareInPage(page, browserPng, nativePng) {
  return page.evaluate(async ({ a, b, factor, tolerance }) => {
    async function pixels(base64) {
      const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
      const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
      const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
      const context = canvas.getContext('2d');
      context.drawImage(bitmap, 0, 0);
      return context.getImageData(0, 0, bitmap.width, bitmap.height);
    }
    function reduced(image) {
      const width = Math.floor(image.width / factor);
      const height = Math.floor(image.height / factor);
      const out = new Float64Array(width * height * 3);
      for (let y = 0; y < height; ++y) {
        for (let x = 0; x < width; ++x) {
          for (let c = 0; c < 3; ++c) {
            let sum = 0;
            for (let j = 0; j < factor; ++j) {
              for (let i = 0; i < factor; ++i) {
                sum += image.data[((y * factor + j) * image.width + x * factor + i) * 4 + c];
              }
            }
            out[(y * width + x) * 3 + c] = Math.round(sum / (factor * factor));
          }
        }
      }
      return { width, height, rgb: out };
    }
    const first = reduced(await pixels(a));
    const second = reduced(await pixels(b));
    if (first.width !== second.width || first.height !== second.height) return { sameSize: false };
    const count = first.width * first.height;
    const sums = [0, 0, 0];
    let pixelsOff = 0;
    let largest = 0;
    for (let p = 0; p < count; ++p) {
      let off = 0;
      for (let c = 0; c < 3; ++c) {
        const d = Math.abs(first.rgb[p * 3 + c] - second.rgb[p * 3 + c]);
        sums[c] += d;
        off = Math.max(off, d);
      }
      largest = Math.max(largest, off);
      if (off > tolerance) ++pixelsOff;
    }
    return { sameSize: true, share: pixelsOff / count, mean: Math.max(...sums) / count, largest };
  }, { a: browserPng.toString('base64'), b: nativePng.toString('base64'), factor: kReduction, tolerance: kChannelTolerance });
}

test('the browser build plays the demo in headless Chromium and draws the native frames', { timeout: 2 * kRunTimeoutMs }, async (t) => {
  const site = path.resolve(requiredEnvironment('QUILLMOOR_SITE'));
  const nativeProgram = requiredEnvironment('QUILLMOOR_NATIVE');
  const runDirectory = requiredEnvironment('QUILLMOOR_RUN');
  const outRoot = fs.mkdtempSync(path.join(process.env.TMPDIR || os.tmpdir(), 'quillmoor-web-test-'));
  const nativeShots = path.join(outRoot, 'native');
  const browserShots = path.join(outRoot, 'browser');
  fs.mkdirSync(nativeShots);
  fs.mkdirSync(browserShots);

  renderNative(nativeProgram, runDirectory, nativeShots);

  const server = await serve(site);
  const chromium = await launchChromium();
  t.after(async () => {
    await chromium.close();
    server.close();
  });
  const { page, consoleLines, errors } = chromium;

  const seconds = kShotMilliseconds.map((ms) => (ms / 1000).toString()).join(',');
  const url = `http://127.0.0.1:${server.address().port}/?shots=${seconds}&width=${kWidth}&height=${kHeight}&fps=${kFramesPerSecond}`;
  try {
    await openAndStart(page, url);
    await waitForEnd(page, { stallMs: kStallTimeoutMs, totalMs: kRunTimeoutMs });
  } finally {
    fs.writeFileSync(path.join(outRoot, 'console.txt'), consoleLines.join('\n') + '\n');
  }
  const state = await page.evaluate(() => ({
    exitCode: window.quillmoor.exitCode, error: window.quillmoor.error, shots: window.quillmoor.shots,
  }));

  assert.equal(state.error, null);
  assert.equal(state.exitCode, 0, 'the program ends with exit code 0');
  assert.ok(consoleLines.filter((line) => line === 'log: OK.').length >= 54,
    'the 54 archive members are extracted, each printing OK. to the console');
  assert.deepEqual(errors, [], 'no error reaches the console');
  assert.deepEqual(state.shots.map((shot) => shot.name), kShotMilliseconds.map(shotName));

  const report = [];
  for (const shot of state.shots) {
    const base64 = await page.evaluate(async (url) => {
      const bytes = new Uint8Array(await (await fetch(url)).arrayBuffer());
      let text = '';
      for (const byte of bytes) text += String.fromCharCode(byte);
      return btoa(text);
    }, shot.url);
    const browserPng = Buffer.from(base64, 'base64');
    fs.writeFileSync(path.join(browserShots, shot.name), browserPng);
    const nativePng = fs.readFileSync(path.join(nativeShots, shot.name));
    const difference = await compareInPage(page, browserPng, nativePng);
    report.push({ shot: shot.name, ...difference });
  }
  fs.writeFileSync(path.join(outRoot, 'differences.json'), JSON.stringify(report, null, 1) + '\n');
  for (const line of report) {
    console.log(`${line.shot}: mean ${line.mean?.toFixed(2)}, ${(100 * line.share).toFixed(2)} % of reduced pixels off by more than ${kChannelTolerance}, largest ${line.largest}`);
  }
  console.log(`frames and report in ${outRoot}`);
  for (const line of report) {
    assert.ok(line.sameSize, `${line.shot}: same size as the native frame`);
    assert.ok(line.mean <= kAllowedMeanDifference, `${line.shot}: mean difference ${line.mean} within ${kAllowedMeanDifference}`);
    assert.ok(line.share <= kAllowedShare, `${line.shot}: ${line.share} of the pixels off, within ${kAllowedShare}`);
  }
});
