// Debian's Chromium, headless, as it runs on a machine without a GPU and without a network
// besides 127.0.0.1: WebGL 2 drawn in software. Shared by the browser test and the speed
// measurement (bench/web-speed.mjs).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { chromium } from 'playwright-core';

const kChromiumFlags = [
  '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--autoplay-policy=user-gesture-required', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
];

// Starts Chromium with a profile of its own under TMPDIR; `close()` ends it and removes the
// profile. `page` collects the console's lines and the errors that reached it.
export async function launchChromium() {
  const userData = fs.mkdtempSync(path.join(process.env.TMPDIR || os.tmpdir(), 'quillmoor-chromium-'));
  const context = await chromium.launchPersistentContext(userData, {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true, args: kChromiumFlags,
    viewport: { width: 1024, height: 768 },
  });
  const page = context.pages()[0] || await context.newPage();
  const consoleLines = [];
  const errors = [];
  page.on('console', (message) => {
    consoleLines.push(`${message.type()}: ${message.text()}`);
    if (message.type() === 'error') errors.push(message.text());
  });
  page.on('pageerror', (error) => errors.push(String(error)));
  return {
    page, consoleLines, errors,
    close: async () => {
      await context.close();
      fs.rmSync(userData, { recursive: true, force: true });
    },
  };
}

const kLoadTimeoutMs = 120000;
const kStartTimeoutMs = 10000;

// Opens the page at `url`, clicks its start screen once the program is loaded, and makes sure
// the click started the program.
export async function openAndStart(page, url) {
  await page.goto(url);
  await page.waitForFunction(() => document.getElementById('prompt').textContent === 'click to start', null,
    { timeout: kLoadTimeoutMs }).catch(() => {
    throw new Error(`the page did not offer "click to start" within ${kLoadTimeoutMs / 1000} s`);
  });
  // The click starts the program, whose start-up holds the page until its first frame.
  await page.click('#start', { timeout: kLoadTimeoutMs });
  await page.waitForFunction(() => window.quillmoor.started !== null, null, { timeout: kStartTimeoutMs }).catch(() => {
    throw new Error(`the click did not start the program within ${kStartTimeoutMs / 1000} s`);
  });
}

// Waits for the program to end. Fails with a message, never hangs: when no frame has been
// shown for `stallMs` (the program stopped, or never drew), or the run exceeds `totalMs`.
export async function waitForEnd(page, { stallMs, totalMs }) {
  const begin = Date.now();
  let frames = -1;
  let lastProgress = begin;
  for (;;) {
    const state = await page.evaluate(() => ({ done: window.quillmoor.done, frames: window.quillmoor.frames }));
    if (state.done) return;
    const now = Date.now();
    if (state.frames !== frames) {
      frames = state.frames;
      lastProgress = now;
    }
    if (now - lastProgress > stallMs) {
      throw new Error(`the program showed no frame for ${stallMs / 1000} s (${frames} frames shown in all)`);
    }
    if (now - begin > totalMs) {
      throw new Error(`the program did not end within ${totalMs / 1000} s (${frames} frames shown)`);
    }
    await new Promise((resolve) => setTimeout(resolve, 1000));
  }
}
