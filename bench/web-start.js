// SPDX-License-Identifier: GPL-3.0-or-later
// How soon the page shows Brelon's window, in headless Chromium, served from
// this machine as a static host serves it:
//   node bench/web-start.js SITE_FOLDER [VISITS]
// Each round is a first visit (a new browser profile: nothing cached) and a
// later one (the same profile, reloaded). The time is the page's own, from
// the start of the navigation until the window's title shows in the
// program's canvas. Prints each round and the medians.
'use strict';

const { chromium } = require('playwright-core');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');

const [site, visits = '5'] = process.argv.slice(2);
const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm' };

// In the page: the milliseconds from the navigation's start until a canvas
// of the program shows dark pixels (the title's letters) in the window's
// top middle, where the grey window has nothing else.
function painted() {
  return new Promise(resolve => {
    const canvases = root => [...root.querySelectorAll('*')].flatMap(element =>
      element.shadowRoot ? canvases(element.shadowRoot) : element instanceof HTMLCanvasElement ? [element] : []);
    const look = () => {
      for (const canvas of canvases(document)) {
        const context = canvas.getContext('2d', { willReadFrequently: true });
        if (!context || canvas.width < 400)
          continue;
        const { data } = context.getImageData(Math.round(canvas.width * 0.35), 0, Math.round(canvas.width * 0.15),
          Math.round(canvas.height * 0.05));
        for (let i = 0; i < data.length; i += 4) {
          if (data[i] < 64 && data[i + 1] < 64 && data[i + 2] < 64 && data[i + 3] === 255)
            return resolve(performance.now());
        }
      }
      requestAnimationFrame(look);
    };
    look();
  });
}

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function main() {
  const server = http.createServer((request, response) => {
    let name = new URL(request.url, 'http://x').pathname;
    if (name.endsWith('/'))
      name += 'index.html';
    const file = path.join(site, path.basename(name));
    if (!fs.existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
  const url = `http://127.0.0.1:${server.address().port}/`;
  const first = [], later = [];
  try {
    for (let round = 0; round < Number(visits); ++round) {
      const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'brelon-start-'));
      const browser = await chromium.launchPersistentContext(profile, {
        executablePath: '/usr/bin/chromium', headless: true, viewport: { width: 1280, height: 800 },
        args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
      });
      try {
        const page = browser.pages()[0] || await browser.newPage();
        await page.goto(url);
        first.push(await page.evaluate(painted));
        await page.reload();
        later.push(await page.evaluate(painted));
      } finally {
        await browser.close();
        fs.rmSync(profile, { recursive: true, force: true });
      }
      console.log(`round ${round + 1}: first visit ${(first.at(-1) / 1000).toFixed(2)} s, later ${(later.at(-1) / 1000).toFixed(2)} s`);
    }
    console.log(`median of ${first.length}: first visit ${(median(first) / 1000).toFixed(2)} s, later ${(median(later) / 1000).toFixed(2)} s`);
  } finally {
    server.close();
  }
}

main().catch(error => {
  console.log(`bench/web-start.js: ${error.stack || error}`);
  process.exitCode = 1;
});
