// SPDX-License-Identifier: GPL-3.0-or-later
// The browser's Brelon as a person meets it, in the three engines of
// tests/web/engines.js (Chromium, Firefox, WebKit):
//   node tests/web/site.js SITE BRELON_BARS FAILING OUT [ENGINE...]
// SITE is the built site (build-web/), BRELON_BARS the Linux build of the bar
// checker, FAILING the folder of the failing program's build (its .js and
// .wasm), OUT where the screenshots and the figures go (a folder for each
// engine); ENGINE is chromium, firefox or webkit (all three by default;
// WebKit needs an X server).
//
// 1. The page starts Brelon: the window painted, how long after opening.
// 2. "Start" draws the 4-opening scene where the Linux build's mathematics
//    puts every bar and the incident wave.
// 3. During the longest run a click on "3" and then a tap on "20" wait for
//    its end and are carried out in order (20 openings after it); the run
//    lasts as long as on the desktop.
// 4. Taps and a drag act as the mouse does.
// 5. A touch the browser cancels is not carried out and leaves nothing
//    pressed; a tap on an option and a tap on "Start" after it are carried
//    out, idle and during a run.
// 6. The page behaves as an app under a finger: it neither zooms, scrolls
//    nor selects, and gives every gesture to the program.
// 7. The accessibility tree (the screen reader's switch pressed) shows the
//    controls with their Czech names and roles; the prompt leaves it once
//    the drawing covers it.
// 8. "Konec" ends the program: the page says so and starts it again.
// 9. An error: the message box, then the end; the page says so.
// 10. The window fills a page of 1920 × 1080 and a phone's 412 × 915 at ratio
//    2.6, in either orientation, drawn sharp at the page's ratio.
// 11. Without the network the page starts Brelon from its offline copy, and
//    a new build replaces that copy at the next visit with the network back.
// 12. The memory the program needs at the largest page, and a browser that
//    cannot give it: the page says so.
// Every wait polls for an exact state, with a generous limit for a busy
// machine. A check an engine's driver cannot make says so and why.
'use strict';

const engines = require('./engines');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');

const { sleep } = engines;
const [site, bars, failing, outRoot, ...chosen] = process.argv.slice(2);

let passes = 0;
let failures = 0;
let engine = null; // the engine of the checks running now
let out = outRoot; // its folder
const pass = text => {
  console.log(`PASS [${engine.name}]: ${text}`);
  passes += 1;
};
const fail = text => {
  console.log(`FAIL [${engine.name}]: ${text}`);
  failures += 1;
};
const check = (ok, text) => (ok ? pass(text) : fail(text));
const note = text => console.log(`NOTE [${engine.name}]: ${text}`);
const seconds = ms => (ms / 1000).toFixed(1);

// The site served as a static host serves it, from a folder that a test may
// change; stop() takes the network away.
const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.webmanifest': 'application/manifest+json', '.png': 'image/png', '.svg': 'image/svg+xml',
  '.txt': 'text/plain; charset=utf-8',
};
function serve(folder, port = 0) {
  const server = http.createServer((request, response) => {
    let name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    if (name.endsWith('/'))
      name += 'index.html';
    const file = path.join(folder, path.normalize(name));
    if (!file.startsWith(folder) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise(resolve => server.listen(port, '127.0.0.1', () => resolve({
    url: `http://127.0.0.1:${server.address().port}/`,
    stop: () => new Promise(done => { server.closeAllConnections(); server.close(done); }),
  })));
}

// The failing program's site: the page with the failing program in
// Brelon's place.
function failingSite() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'brelon-failing-'));
  fs.cpSync(site, folder, { recursive: true });
  const program = fs.readdirSync(failing).find(name => name.endsWith('.js') && name !== 'qtloader.js');
  const base = path.basename(program, '.js');
  for (const name of [program, `${base}.wasm`])
    fs.copyFileSync(path.join(failing, name), path.join(folder, name));
  const entry = `${base.replace(/[^A-Za-z0-9_]/g, '_')}_entry`;
  const page = path.join(folder, 'index.html');
  fs.writeFileSync(page, fs.readFileSync(page, 'utf8').replace('src="brelon.js"', `src="${program}"`)
    .replace('window.brelon_entry', `window.${entry}`));
  fs.rmSync(path.join(folder, 'sw.js'));
  return folder;
}

// The Linux bar checker's verdict on a screenshot.
function judge(...args) {
  return spawnSync(bars, args, { encoding: 'utf8' });
}

// Where to press a control at the stored size, in pixels of the window (the
// Windows tests' places); at another size the zoom and the centred origin
// move it as the window magnifies or shrinks its content.
const spots = {
  origin: [0, 0], start: [620, 20], konec: [684, 20], three: [150, 62], four: [183, 62], twenty: [214, 62],
  two: [110, 62], slowdownLeft: [430, 16], slowdownThumb: [449, 16], frequencyThumb: [109, 160],
  frequency20Arrow: [241, 160],
};
function zoomOf(width, height) {
  const fit = Math.min(width / 758, height / 571);
  return fit < 1 ? fit : Math.max(1, Math.min(width / 800, height / 571));
}
function place(what, width = 758, height = 571) {
  const zoom = zoomOf(width, height);
  const origin = [Math.max(0, Math.floor((width - Math.ceil(800 * zoom)) / 2)),
    Math.max(0, Math.floor((height - Math.ceil(571 * zoom)) / 2))];
  return [origin[0] + spots[what][0] * zoom, origin[1] + spots[what][1] * zoom];
}

async function waitFor(page, test, limit) {
  for (const begun = Date.now(); Date.now() - begun < limit; await sleep(200)) {
    if (await page.evaluate(test).catch(() => false))
      return true;
  }
  return false;
}
async function started(page) {
  await waitFor(page, () => document.body.dataset.state !== 'loading', 120000);
  return page.evaluate(() => document.body.dataset.state).catch(() => 'unknown');
}
const ended = page => page.evaluate(() => [document.body.dataset.state, document.body.dataset.exitCode,
  document.getElementById('message').textContent]);

// Screenshots until the checker says yes; the time of the first that did.
async function poll(page, file, test, limit) {
  const begun = Date.now();
  while (Date.now() - begun < limit) {
    await page.screenshot(file);
    if (test(file))
      return Date.now();
    await sleep(150);
  }
  return 0;
}
const still = (page, file, test, limit) => {
  let previous = '';
  return poll(page, file, shot => {
    const now = fs.readFileSync(shot).toString('base64');
    const same = now === previous;
    previous = now;
    return same && test(shot);
  }, limit);
};

const stored = { width: 758, height: 571 };

async function startUp(options, url) {
  const page = await engine.open(options);
  const opened = Date.now();
  await page.goto(url);
  const state = await started(page);
  const painted = await poll(page, path.join(out, 'opened.png'), f => judge('shown', f).status === 0, 60000);
  return { page, state, seconds: painted ? (painted - opened) / 1000 : Infinity };
}

// The colours of the four options' circles in a screenshot at the stored
// size: an option chosen has its dot, one not chosen is white inside, one
// left pressed grey.
async function options(page, file) {
  const png = fs.readFileSync(file).toString('base64');
  const pixels = await page.evaluate(async ({ png, points }) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + png;
    await image.decode();
    const canvas = document.createElement('canvas');
    [canvas.width, canvas.height] = [image.width, image.height];
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    return points.map(([x, y]) => Array.from(context.getImageData(x, y, 1, 1).data.slice(0, 3)));
  }, { png, points: ['two', 'three', 'four', 'twenty'].map(name => spots[name]) });
  return pixels.map(([r, g, b]) => (r > 240 && g > 240 && b > 240 ? 'free' : r < 128 ? 'chosen' : 'pressed'));
}
const onlyChosen = (circles, which) => circles.every((c, i) => c === (i === which ? 'chosen' : 'free'));

async function main() {
  const names = chosen.length ? chosen : ['chromium', 'firefox', 'webkit'];
  const server = await serve(site);
  const failingFolder = failingSite();
  const failingServer = await serve(failingFolder);
  const versions = [];
  try {
    for (const name of names) {
      engine = await engines[name]();
      out = path.join(outRoot, name);
      fs.mkdirSync(out, { recursive: true });
      console.log(`== ${engine.version}`);
      versions.push(engine.version);
      try {
        for (const test of [startAndScene, touchIdle, touchDrag, cancelledTouch, cancelledTouchDuringARun,
          heldDuringARun, anApp, accessibility, konec, error, sizes]) {
          // WebKitGTK's MiniBrowser now and then loses its driver's session
          // or stops answering screenshots, with this program and with the
          // one before it alike: a group of checks that fails there is made
          // again once, in a fresh browser, and fails only if it fails again.
          const retries = name === 'webkit' ? 1 : 0;
          for (let attempt = 0; ; ++attempt) {
            const before = { passes, failures };
            const lines = [];
            const print = console.log;
            console.log = line => lines.push(line);
            try {
              await test(server.url, failingServer.url);
            } catch (e) {
              fail(`${test.name}: ${e.stack || e}`);
            } finally {
              console.log = print;
            }
            if (failures === before.failures || attempt === retries) {
              lines.forEach(line => console.log(line));
              break;
            }
            passes = before.passes;
            failures = before.failures;
            note(`${test.name} failed (${lines.filter(line => line.startsWith('FAIL')).join('; ').slice(0, 300)}); `
              + 'made again in a fresh browser');
            await engine.close().catch(() => {});
            engine = await engines[name]();
          }
        }
        if (name === 'chromium') {
          await memory(server.url);
          await offline();
        } else {
          note('the memory and the offline copy are tested in Chromium, whose driver can limit the memory and '
            + 'take the network away');
        }
      } finally {
        await engine.close();
      }
    }
    fs.writeFileSync(path.join(outRoot, 'engines.txt'), versions.join('\n') + '\n');
    console.log(`browsers (${versions.join(', ')}): ${passes} passed, ${failures} failed`);
  } finally {
    await server.stop();
    await failingServer.stop();
    fs.rmSync(failingFolder, { recursive: true, force: true });
  }
}

// 1 and 2: start-up, and the 4-opening scene at the frequency 20.
async function startAndScene(url) {
  const { page, state, seconds: first } = await startUp(stored, url);
  check(state === 'running' && first < 60, `the page starts Brelon: painted ${first.toFixed(2)} s after opening`);
  fs.writeFileSync(path.join(out, 'startup.txt'), `${first.toFixed(3)}\n`);
  await page.click(...place('start'));
  const clicked = Date.now();
  const drawn = await still(page, path.join(out, 'scene.png'), f => judge('check', f, '4', '20').status === 0, 120000);
  const values = path.join(outRoot, 'values-browser.txt');
  const verdict = judge('check', path.join(out, 'scene.png'), '4', '20', ...(fs.existsSync(values) ? [values] : []));
  fs.writeFileSync(path.join(out, 'check.txt'), verdict.stdout + verdict.stderr);
  check(drawn, `Start drew the 4-opening scene as computed, ${seconds(drawn - clicked)} s after the click`);
  check(/bar tops: 0 of/.test(verdict.stdout) && /its pixels are the same/.test(verdict.stdout),
    `the browser's numbers put every bar and the incident wave where the desktop's do (check.txt)`);
  await page.close();
}

// A touch that goes down and up at one place.
async function tap(touch, at) {
  await touch.start(at);
  await touch.end();
}

// Where touch is made in the page rather than by the browser, say so once.
function touchNote(page) {
  if (page.cannot.touch)
    note(page.cannot.touch);
}

// 4. A tap chooses an option; a tap on an arrow steps the frequency once.
async function touchIdle(url) {
  const { page } = await startUp({ ...stored, touch: true }, url);
  touchNote(page);
  const touch = page.touch();
  await tap(touch, place('twenty'));
  const chosen = await poll(page, path.join(out, 'tapped.png'), f => judge('strip', f, '15').status === 0, 20000);
  check(chosen, 'a tap on "20" chose 20 openings (the strip of frequency 15)');
  await tap(touch, place('frequency20Arrow'));
  const stepped = await poll(page, path.join(out, 'stepped.png'), f => judge('strip', f, '16').status === 0, 20000);
  check(stepped, 'a tap on the frequency\'s right arrow stepped it once (the strip of frequency 16)');
  await page.close();
}

// 4. A drag of the frequency's thumb (4 openings, the thumb at the bar's left
// end) moves the frequency, reported when the finger lifts.
async function touchDrag(url) {
  const { page } = await startUp({ ...stored, touch: true }, url);
  const touch = page.touch();
  const [x, y] = place('frequencyThumb');
  await touch.start([x, y]);
  for (let step = 1; step <= 10; ++step)
    await touch.move([x + 6 * step, y]);
  await touch.end();
  let frequency = 0;
  await poll(page, path.join(out, 'dragged.png'), f => {
    for (let F = 21; F <= 200 && !frequency; ++F)
      frequency = judge('strip', f, String(F)).status === 0 ? F : 0;
    return frequency > 0;
  }, 20000);
  check(frequency > 20, `a drag of the frequency's thumb moved it from 20 to ${frequency}`);
  await page.close();
}

// A touch on "3" that starts to move and is cancelled by the browser (as a
// tablet's does when it takes the touch over), then a tap on "20" and a tap
// on "Start". Returns the screenshot taken after the cancel.
async function cancelThenTaps(page, file) {
  const touch = page.touch();
  const [x, y] = place('three');
  await touch.start([x, y]);
  await touch.move([x + 2, y + 3]);
  await touch.cancel();
  await sleep(300);
  await page.screenshot(file);
  await tap(touch, place('twenty'));
  await tap(touch, place('start'));
}

// 5. Idle: the cancelled touch chooses nothing and leaves nothing pressed;
// the taps after it choose 20 openings and start the run.
async function cancelledTouch(url) {
  const { page } = await startUp({ ...stored, touch: true }, url);
  if (page.cannot.cancel)
    note(page.cannot.cancel);
  const after = path.join(out, 'cancelled.png');
  await cancelThenTaps(page, after);
  // An option's handler would have drawn the incident wave's strip.
  const circles = await options(page, after);
  check(judge('strip', after, '20').status !== 0 && onlyChosen(circles, 2),
    `a touch on "3" that the browser cancelled chose nothing and left nothing pressed (options ${circles.join(', ')})`);
  const drawn = await still(page, path.join(out, 'cancelled-scene.png'),
    f => judge('check', f, '20', '15').status === 0, 120000);
  const end = drawn ? await options(page, path.join(out, 'cancelled-scene.png')) : [];
  check(drawn && onlyChosen(end, 3), `then a tap on "20" and a tap on "Start" drew the 20-opening scene, nothing `
    + `left pressed (options ${end.join(', ')})`);
  await page.close();
}

// 5. During a run (a slowdown of a few seconds): the cancelled touch and
// the taps are held, and after the run the taps alone are carried out.
async function cancelledTouchDuringARun(url) {
  const { page } = await startUp({ ...stored, touch: true }, url);
  // The slowdown's thumb dragged a little to the right: a run of several
  // seconds.
  await page.drag(place('slowdownThumb'), 16);
  await sleep(500);
  await page.click(...place('start'));
  await sleep(500);
  const during = path.join(out, 'cancelled-during.png');
  await cancelThenTaps(page, during);
  const heldAll = judge('strip', during, '20').status === 0 && judge('check', during, '4', '20').status !== 0;
  const chosen = await poll(page, path.join(out, 'cancelled-after.png'), f => judge('strip', f, '15').status === 0,
    120000);
  const drawn = chosen && await still(page, path.join(out, 'cancelled-after-scene.png'),
    f => judge('check', f, '20', '15').status === 0, 180000);
  const end = drawn ? await options(page, path.join(out, 'cancelled-after-scene.png')) : [];
  check(heldAll && drawn && onlyChosen(end, 3), 'during a run, a cancelled touch on "3", a tap on "20" and a tap on '
    + `"Start" were held; after it 20 openings were chosen and drawn, nothing left pressed (options ${end.join(', ')})`);
  await page.close();
}

// 3. The longest run: the slowdown bar's left arrow takes the focus, End
// goes to the largest slowdown: 11951 × 30001 × 100 ns.
async function heldDuringARun(url) {
  const { page } = await startUp({ ...stored, touch: true }, url);
  await page.click(...place('slowdownLeft'));
  await page.key('End');
  await sleep(1000);
  await page.click(...place('start'));
  const run = Date.now();
  await sleep(3000);
  await page.click(...place('three'));
  await sleep(1000);
  await tap(page.touch(), place('twenty'));
  await sleep(500);
  await page.screenshot(path.join(out, 'during.png'));
  const stillFour = judge('strip', path.join(out, 'during.png'), '20').status === 0;
  const held = await poll(page, path.join(out, 'held.png'), f => judge('strip', f, '15').status === 0, 120000);
  const length = (held - run) / 1000;
  const desktop = 11951 * 30001 * 100e-9;
  check(stillFour && held, '"3" clicked, then "20" tapped during the run: held, then 20 openings chosen');
  check(held && Math.abs(length - desktop) < 0.05 * desktop,
    `the longest run lasted ${length.toFixed(2)} s; on the desktop ${desktop.toFixed(2)} s`);
  fs.writeFileSync(path.join(out, 'run.txt'), `${length.toFixed(3)} ${desktop.toFixed(3)}\n`);
  await page.close();
}

// 6. The page is an app under a finger. Every engine: the style that tells
// the browser so, on the page and on the element the program takes its
// input from. Chromium: the browser's own pinch, double tap, long press and
// drag over the window leave the page unzoomed, unscrolled and unselected.
async function anApp(url) {
  const { page } = await startUp({ ...stored, touch: true, mobile: engine.name === 'Chromium' }, url);
  const styles = await page.evaluate(() => {
    let target = document.elementFromPoint(innerWidth / 2, innerHeight / 2);
    while (target?.shadowRoot) {
      const inner = target.shadowRoot.elementFromPoint(innerWidth / 2, innerHeight / 2);
      if (!inner || inner === target)
        break;
      target = inner;
    }
    const of = element => {
      const style = getComputedStyle(element);
      return { touchAction: style.touchAction, userSelect: style.userSelect || style.webkitUserSelect,
        overscroll: style.overscrollBehaviorY || 'unknown' };
    };
    return { body: of(document.body), root: of(document.documentElement), input: of(target) };
  });
  const app = style => style.touchAction === 'none' && style.userSelect === 'none';
  check(app(styles.body) && app(styles.root) && styles.input.touchAction === 'none'
    && [styles.body.overscroll, styles.root.overscroll].every(o => o === 'none' || o === 'unknown'),
  `the page takes no gesture for itself and selects nothing (${JSON.stringify(styles)})`);
  if (!page.cdp) {
    note('the browser\'s own pinch, double tap, long press and scroll need the DevTools protocol: tested in Chromium');
    await page.close();
    return;
  }
  const [x, y] = [379, 400];
  const view = () => page.evaluate(() => [visualViewport.scale, scrollX, scrollY, visualViewport.offsetTop,
    String(getSelection())]);
  const before = await view();
  await page.cdp.send('Input.synthesizePinchGesture', { x, y, scaleFactor: 2.5, gestureSourceType: 'touch' });
  await page.cdp.send('Input.synthesizeTapGesture', { x, y, tapCount: 2, gestureSourceType: 'touch' });
  await page.cdp.send('Input.synthesizeScrollGesture', { x, y, yDistance: -300, gestureSourceType: 'touch' });
  await page.cdp.send('Input.synthesizeScrollGesture', { x, y, yDistance: 300, gestureSourceType: 'touch' });
  await page.cdp.send('Input.synthesizeTapGesture', { x, y, duration: 1500, gestureSourceType: 'touch' });
  await sleep(500);
  const after = await view();
  check(JSON.stringify(before) === JSON.stringify([1, 0, 0, 0, '']) && JSON.stringify(after) === JSON.stringify(before),
    `a pinch, a double tap, drags up and down and a long press: the page at scale ${after[0]}, scrolled `
    + `${after[1]}, ${after[2]}, nothing selected`);
  const shown = await poll(page, path.join(out, 'app.png'), f => judge('shown', f).status === 0, 20000);
  check(shown, 'and the window is there as before (app.png)');
  await page.close();
}

// 7. The browser's accessibility tree, once the screen reader's switch of
// the window is pressed. Where the driver shows no tree, the elements the
// toolkit makes for it are read from the page: their roles and names.
async function accessibility(url) {
  const { page } = await startUp(stored, url);
  await page.evaluate(() => {
    const host = document.querySelector('#screen');
    const find = root => [...root.querySelectorAll('*')].flatMap(e => [e, ...(e.shadowRoot ? find(e.shadowRoot) : [])]);
    find(host).find(e => e.tagName === 'BUTTON' && e.textContent.includes('Enable Screen Reader'))?.click();
  });
  await sleep(1000);
  const tree = page.cdp ? async () => {
    const { nodes } = await page.cdp.send('Accessibility.getFullAXTree');
    return nodes.filter(n => !n.ignored && n.role && n.name)
      .map(n => `${n.role.value} "${n.name.value}"${n.properties?.some(p => p.name === 'checked'
        && p.value.value === 'true') ? ' checked' : ''}`)
      .filter(line => !/^(generic|none|StaticText|InlineTextBox|RootWebArea) /.test(line));
  } : () => page.evaluate(() => {
    const find = root => [...root.querySelectorAll('*')].flatMap(e => [e, ...(e.shadowRoot ? find(e.shadowRoot) : [])]);
    const roles = { BUTTON: 'button', TEXTAREA: 'textbox', DIALOG: 'dialog' };
    return find(document.querySelector('#screen'))
      .filter(e => e.closest('.qt-window-a11y-container') && !e.closest('[hidden]'))
      .map(e => {
        const role = e.getAttribute('role') || (e.tagName === 'INPUT' ? (e.type === 'radio' ? 'radio' : 'textbox')
          : roles[e.tagName]);
        const name = e.getAttribute('aria-label') || e.textContent.trim();
        return role && name ? `${role} "${name}"${e.checked ? ' checked' : ''}` : null;
      }).filter(Boolean);
  });
  if (page.cannot.accessibilityTree)
    note(page.cannot.accessibilityTree);
  const before = await tree();
  fs.writeFileSync(path.join(out, 'accessibility.txt'), before.join('\n') + '\n');
  // The names screen readers read on Linux too (tests/atspi); a hidden
  // widget is not in the tree.
  const expected = ['button "Start"', 'button "Konec"', 'group "Počet průzorů"', 'radio "2 průzory"',
    'radio "3 průzory"', 'radio "4 průzory" checked', 'radio "20 průzorů"', 'scrollbar "Zpomalení kreslení"',
    'scrollbar "Kmitočet pro 2, 3 a 4 průzory"', 'textbox "Relativní kmitočet"', 'textbox "Klepněte na Start"'];
  const missing = expected.filter(line => !before.includes(line));
  const hidden = before.filter(line => line.startsWith('scrollbar "Kmitočet pro 20 průzorů"'));
  check(missing.length === 0 && hidden.length === 0,
    `the controls in the browser's tree with their Czech names and roles, the chosen option checked `
    + `(accessibility.txt)${missing.length ? '; missing: ' + missing.join(', ') : ''}${
      hidden.length ? '; hidden but there: ' + hidden : ''}`);
  await page.click(...place('start'));
  await still(page, path.join(out, 'a11y-scene.png'), f => judge('check', f, '4', '20').status === 0, 120000);
  await sleep(500);
  const after = await tree();
  check(!after.some(line => line.includes('Klepněte na Start')), 'once the drawing covers it, the prompt leaves the tree');
  await page.close();
}

// 8. Konec: the program ends; the page says so and starts it again.
async function konec(url) {
  const { page } = await startUp(stored, url);
  await page.click(...place('konec'));
  await waitFor(page, () => document.body.dataset.state === 'ended', 20000);
  const end = await ended(page);
  await page.screenshot(path.join(out, 'ended.png'));
  check(end[0] === 'ended' && end[1] === '0' && end[2] === 'Program Brelon skončil.',
    `Konec ends the program; the page says "${end[2]}" (ended.png)`);
  await page.evaluate(() => document.getElementById('again').click());
  await sleep(500);
  const again = await started(page);
  check(again === 'running', '"Spustit znovu" starts Brelon again');
  await page.close();
}

// 9. An error: the program's message box, then its end; the page says so.
async function error(url, failingUrl) {
  const page = await engine.open(stored);
  await page.goto(failingUrl);
  await started(page);
  await sleep(500);
  await page.click(...place('start'));
  await sleep(2000);
  await page.screenshot(path.join(out, 'error-box.png'));
  const during = await page.evaluate(() => document.body.dataset.state);
  await page.key('Enter');
  await waitFor(page, () => document.body.dataset.state === 'ended', 20000);
  const end = await ended(page);
  await page.screenshot(path.join(out, 'error-ended.png'));
  check(during === 'running' && end[0] === 'ended' && end[1] === '1' && /chybě/.test(end[2]),
    `an error: the message box (error-box.png), then the page says "${end[2]}" (error-ended.png)`);
  await page.close();
}

// How many pixels of the screenshot FILE, in the device pixels' BOXES, have a
// colour (0xRRGGBB) other than COLOURS.
async function others(page, file, boxes, colours) {
  return page.evaluate(async ({ png, boxes, colours }) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + png;
    await image.decode();
    const canvas = document.createElement('canvas');
    [canvas.width, canvas.height] = [image.width, image.height];
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    let count = 0;
    // A screenshot may round the page's last part-pixel row or column off.
    const inside = box => ({ ...box, width: Math.min(box.width, image.width - box.x),
      height: Math.min(box.height, image.height - box.y) });
    for (const box of boxes.map(inside).filter(b => b.width > 0 && b.height > 0)) {
      const data = context.getImageData(box.x, box.y, box.width, box.height).data;
      for (let i = 0; i < data.length; i += 4)
        count += colours.includes((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]) ? 0 : 1;
    }
    return count;
  }, { png: fs.readFileSync(file).toString('base64'), boxes, colours });
}

// The bars and rays of a scene on a page of WIDTH × HEIGHT at RATIO: pixels
// other than black, white and the grey, the count of blended ones.
function sharp(page, file, width, height, ratio) {
  const zoom = zoomOf(width, height);
  const [x0, y0] = place('origin', width, height);
  const box = { x: Math.ceil((x0 + 0) * ratio), y: Math.ceil((y0 + 4500 * zoom / 15) * ratio),
    width: Math.floor(Math.min(width - x0, 11355 * zoom / 15) * ratio) - 1,
    height: Math.floor(3400 * zoom / 15 * ratio) };
  return others(page, file, [box], [0x000000, 0xFFFFFF, 0xC0C0C0]);
}

// Around the surface of 800 × 571 pixels on a page of WIDTH × HEIGHT at RATIO:
// pixels wholly outside it other than the window's grey.
function margins(page, file, width, height, ratio) {
  const zoom = zoomOf(width, height);
  const [x0, y0] = place('origin', width, height);
  const [pageRight, pageBottom] = [Math.round(width * ratio), Math.round(height * ratio)];
  const [left, top] = [Math.floor(x0 * ratio), Math.floor(y0 * ratio)];
  const right = Math.min(pageRight, Math.ceil((x0 + 800 * zoom) * ratio));
  const bottom = Math.min(pageBottom, Math.ceil((y0 + 571 * zoom) * ratio));
  return others(page, file, [
    { x: 0, y: 0, width: pageRight, height: top },
    { x: 0, y: bottom, width: pageRight, height: pageBottom - bottom },
    { x: 0, y: 0, width: left, height: pageBottom },
    { x: right, y: 0, width: pageRight - right, height: pageBottom },
  ], [0xC0C0C0]);
}

// 10. Other pages: a projector's, and a phone's in both orientations.
async function sizes(url) {
  for (const [name, width, height, ratio] of [
    ['projector', 1920, 1080, 1],
    ['phone', 412, 915, 2.6],
    ['phone-turned', 915, 412, 2.6],
  ]) {
    const page = await engine.open({ width, height, ratio, mobile: ratio !== 1, touch: ratio !== 1 });
    if (page.cannot.ratio) {
      note(`${name}: ${page.cannot.ratio}`);
      await page.close();
      continue;
    }
    await page.goto(url);
    await started(page);
    await sleep(500);
    await page.click(...place('start', width, height));
    // Finished: the picture at rest for a second.
    const file = path.join(out, `${name}.png`);
    let previous = '';
    for (const begun = Date.now(); Date.now() - begun < 120000; await sleep(1000)) {
      await page.screenshot(file);
      const now = fs.readFileSync(file).toString('base64');
      if (now === previous)
        break;
      previous = now;
    }
    const blended = await sharp(page, file, width, height, ratio);
    const stray = await margins(page, file, width, height, ratio);
    check(blended === 0 && stray === 0, `${name}, ${width} × ${height} at ratio ${ratio}: the scene drawn at the page's `
      + `pixels, ${blended} pixels blended, ${stray} pixels of the margins not grey (${name}.png)`);
    await page.close();
  }
}

// 11. Without the network, from the offline copy; a new build replaces it at
// the next visit with the network back.
async function offline() {
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'brelon-site-'));
  fs.cpSync(site, copy, { recursive: true });
  let server = await serve(copy);
  const port = new URL(server.url).port;
  const page = await engine.open(stored);
  await page.goto(server.url);
  await started(page);
  const kept = () => page.evaluate(async () => {
    const keys = await caches.keys();
    return keys.length === 1 ? [keys[0], (await (await caches.open(keys[0])).keys()).length] : [keys.join(), 0];
  });
  // Every file but the licence and the worker itself, and the folder's address.
  const files = fs.readdirSync(copy).filter(name => name !== 'COPYING.txt' && name !== 'sw.js').length + 1;
  let first = [];
  for (const begun = Date.now(); Date.now() - begun < 60000 && first[1] !== files; await sleep(500))
    first = await kept();
  await server.stop();
  await page.reload();
  const state = await started(page).catch(() => 'failed');
  const painted = await poll(page, path.join(out, 'offline.png'), f => judge('shown', f).status === 0, 30000);
  check(first[1] === files && state === 'running' && painted,
    `reloaded without the network, the page starts Brelon from its ${first[1]} kept files (offline.png)`);

  // A new build: another page and another version of the offline copy.
  fs.appendFileSync(path.join(copy, 'index.html'), '<!-- a new build -->\n');
  fs.writeFileSync(path.join(copy, 'sw.js'),
    fs.readFileSync(path.join(copy, 'sw.js'), 'utf8').replace(/const version = '([^']*)'/, "const version = '$1-new'"));
  server = await serve(copy, Number(port));
  await page.reload();
  let second = [];
  for (const begun = Date.now(); Date.now() - begun < 60000 && !(String(second[0]).endsWith('-new')
    && second[1] === files); await sleep(500))
    second = await kept();
  await server.stop();
  await page.reload();
  await started(page).catch(() => {});
  const html = await page.evaluate(() => document.documentElement.outerHTML);
  check(String(second[0]).endsWith('-new') && html.includes('a new build'),
    'a new build replaced the kept files at the next visit with the network; without it, the new page starts');
  await page.close();
  fs.rmSync(copy, { recursive: true, force: true });
}

// The program's memory, found where the page's code is compiled.
function keepMemory() {
  const keep = result => {
    window.brelonMemory = Object.values((result.instance ?? result).exports)
      .find(value => value instanceof WebAssembly.Memory);
    return result;
  };
  const streaming = WebAssembly.instantiateStreaming;
  WebAssembly.instantiateStreaming = (...args) => streaming(...args).then(keep);
  const instantiate = WebAssembly.instantiate;
  WebAssembly.instantiate = (...args) => instantiate(...args).then(keep);
}

// 12. The memory the program reaches at the largest page (4K at ratio 3),
// the 20-opening scene after the slowest run, the page turned and resized;
// and a browser that gives less than the program needs.
async function memory(url) {
  const width = 3840;
  const height = 2160;
  const page = await engine.open({ width, height, ratio: 3, init: keepMemory });
  await page.goto(url);
  await started(page);
  const megabytes = () => page.evaluate(() => window.brelonMemory.buffer.byteLength / 1048576);
  const atStart = await megabytes();
  await page.click(...place('twenty', width, height));
  await page.click(...place('slowdownLeft', width, height));
  await page.key('End');
  await sleep(500);
  await page.click(...place('start', width, height));
  await sleep(40000);
  const afterRun = await megabytes();
  for (const [w, h] of [[height, width], [width, height], [2688, 1944], [width, height], [height, width],
    [width, height]]) {
    await page.resize(w, h);
    await sleep(2000);
  }
  const state = await page.evaluate(() => document.body.dataset.state);
  const largest = await megabytes();
  const maximum = Number(fs.readFileSync(path.join(site, 'brelon.js'), 'utf8').match(/getHeapMax=\(\)=>(\d+)/)?.[1]
    ?? NaN) / 1048576;
  fs.writeFileSync(path.join(out, 'memory.txt'), `${atStart} ${afterRun} ${largest} ${maximum}\n`);
  check(state === 'running' && largest * 1.25 <= maximum,
    `3840 × 2160 at ratio 3: ${atStart.toFixed(0)} MB at the start, ${afterRun.toFixed(0)} MB after the slowest `
    + `20-opening run, ${largest.toFixed(0)} MB after six turns and resizes; the page asks for at most `
    + `${maximum.toFixed(0)} MB`);
  await page.close();

  // A browser that gives the program less memory than it needs: at the
  // start, and on a page larger than it can draw.
  for (const [name, pages, size] of [['at the start', 600, stored], ['on a 4K page', 1000, { width, height }]]) {
    const limited = await engines.chromium([`--js-flags=--wasm-max-mem-pages=${pages}`]);
    const small = await limited.open(size);
    await small.goto(url);
    await waitFor(small, () => document.body.dataset.state === 'ended', 120000);
    const end = await ended(small);
    await small.screenshot(path.join(out, `memory-${pages}.png`));
    check(end[0] === 'ended' && /dost paměti/.test(end[2]),
      `a browser that gives ${pages / 16} MB, ${name}: the page says "${end[2]}" (memory-${pages}.png)`);
    await limited.close();
  }
}

main().then(() => process.exit(failures === 0 ? 0 : 1), e => {
  console.error(e);
  process.exit(2);
});
