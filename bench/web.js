// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmarks built for the browser, run in a page of headless Chromium:
//   node bench/web.js BUILD_FOLDER FILTER [REPETITIONS]
// BUILD_FOLDER holds brelon-bench.js, .wasm and qtloader.js (build-wasm/bench);
// FILTER and REPETITIONS are Google Benchmark's, given as its arguments.
// Prints what the benchmarks print; exits with 1 when the page fails.
'use strict';

const { chromium } = require('playwright-core');
const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');

const [folder, filter, repetitions = '5'] = process.argv.slice(2);

const page = `<!doctype html><meta charset="utf-8"><body style="margin:0">
<div id="screen" style="position:fixed;inset:0"></div>
<script src="brelon-bench.js"></script><script src="qtloader.js"></script>
<script>
  window.done = new Promise(resolve => qtLoad({
    arguments: [${JSON.stringify('--benchmark_filter=' + filter)}, ${JSON.stringify('--benchmark_repetitions=' + repetitions)}],
    qt: {
      entryFunction: window.brelon_bench_entry,
      containerElements: [document.getElementById('screen')],
      onExit: resolve,
    },
  }));
</script>`;

const server = http.createServer((request, response) => {
  const name = new URL(request.url, 'http://x').pathname;
  if (name === '/') {
    response.writeHead(200, { 'Content-Type': 'text/html' }).end(page);
    return;
  }
  const file = path.join(folder, path.basename(name));
  if (!fs.existsSync(file)) {
    response.writeHead(404).end();
    return;
  }
  response.writeHead(200, { 'Content-Type': file.endsWith('.wasm') ? 'application/wasm' : 'text/javascript' });
  fs.createReadStream(file).pipe(response);
});

server.listen(0, '127.0.0.1', async () => {
  const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
  });
  try {
    const tab = await browser.newPage({ viewport: { width: 758, height: 571 } });
    tab.on('console', message => console.log(message.text()));
    // Done when the program ends; a page that goes away with it ends too.
    const gone = new Promise(resolve => {
      tab.on('crash', () => resolve('the page crashed'));
      tab.on('close', () => resolve('the page closed'));
    });
    await tab.goto(`http://127.0.0.1:${server.address().port}/`);
    // The toolkit's loader says how the program ended: its exit code, or
    // that it crashed.
    const end = await Promise.race([
      tab.evaluate(() => window.done.then(exit => JSON.stringify(exit ?? {}))).then(JSON.parse), gone]);
    if (typeof end === 'string' || end.crashed || end.code !== 0) {
      console.log(`bench/web.js: the benchmarks failed (${typeof end === 'string' ? end : JSON.stringify(end)})`);
      process.exitCode = 1;
    }
  } catch (e) {
    console.log(`bench/web.js: ${e.stack || e}`);
    process.exitCode = 1;
  } finally {
    await browser.close();
    server.close();
  }
});
