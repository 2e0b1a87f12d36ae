// SPDX-License-Identifier: GPL-3.0-or-later
// The three browser engines the site is tested in, each behind one page
// interface, so that a check is written once:
//   Chromium  Debian's chromium, headless, driven by playwright-core (the
//             DevTools protocol: the browser's own touch events, a touch the
//             browser cancels, the accessibility tree, gestures);
//   Firefox   Debian's firefox-esr, headless, driven by puppeteer-core over
//             WebDriver BiDi (the browser's own touch events);
//   WebKit    WebKitGTK's MiniBrowser, driven by selenium-webdriver through
//             WebKitWebDriver, in the X server the caller provides (Safari's
//             and every iPad browser's engine).
// What an engine's driver cannot do, its page says in `cannot`; the touch a
// driver cannot make is made of the pointer events a touch makes,
// dispatched in the page.
'use strict';

const { spawn } = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// In the page: the pointer events of a touch, dispatched on what lies at
// (x, y) in the viewport, inside the toolkit's shadow root, as the browser
// dispatches a finger's own. The pointer id is one the browser holds as
// active (the mouse's), so that the toolkit may capture it.
function dispatchTouch({ type, x, y, id }) {
  let target = document.elementFromPoint(x, y);
  while (target?.shadowRoot) {
    const inner = target.shadowRoot.elementFromPoint(x, y);
    if (!inner || inner === target)
      break;
    target = inner;
  }
  const down = type === 'pointerdown' || type === 'pointermove';
  target.dispatchEvent(new PointerEvent(type, {
    bubbles: true, cancelable: type !== 'pointercancel', composed: true, pointerId: id, pointerType: 'touch',
    isPrimary: true, clientX: x, clientY: y, screenX: x, screenY: y, width: 10, height: 10,
    button: type === 'pointermove' ? -1 : 0, buttons: down ? 1 : 0, pressure: down ? 0.5 : 0,
  }));
}

// In the page: remembers the id of the touch pointer last put down, so that
// a test can cancel it as the browser would.
function watchTouches() {
  if (window.brelonTouches)
    return;
  window.brelonTouches = true;
  window.addEventListener('pointerdown', event => {
    if (event.pointerType === 'touch')
      window.brelonLastTouch = event.pointerId;
  }, true);
}

// A touch made of page-dispatched pointer events.
function pageTouch(page, id) {
  let at = [0, 0];
  const send = (type, [x, y]) => page.evaluate(dispatchTouch, { type, x, y, id });
  return {
    start: async point => { at = point; await send('pointerdown', at); },
    move: async point => { at = point; await send('pointermove', at); },
    end: () => send('pointerup', at),
    cancel: () => send('pointercancel', at),
  };
}

// ---------------------------------------------------------------- Chromium

// What Playwright's and Puppeteer's pages do alike: going to a page, running
// in it, screenshots, clicks, keys and a drag of the mouse.
function pageActions(page) {
  return {
    goto: url => page.goto(url),
    reload: () => page.reload(),
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    screenshot: file => page.screenshot({ path: file }),
    click: (x, y) => page.mouse.click(x, y),
    key: name => page.keyboard.press(name),
    async drag([x, y], dx) {
      await page.mouse.move(x, y);
      await page.mouse.down();
      for (let step = 1; step <= 10; ++step)
        await page.mouse.move(x + dx * step / 10, y);
      await page.mouse.up();
    },
  };
}

async function chromium(extraArgs = []) {
  const { chromium: playwright } = require('playwright-core');
  const browser = await playwright.launch({
    executablePath: '/usr/bin/chromium',
    // Quiet on a machine without a network.
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', ...extraArgs],
  });
  return {
    name: 'Chromium',
    version: `Chromium ${browser.version()}`,
    async open({ width, height, ratio = 1, touch = false, mobile = false, init = null } = {}) {
      const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: ratio,
        hasTouch: touch || mobile, isMobile: mobile });
      if (init)
        await context.addInitScript(init);
      const page = await context.newPage();
      const cdp = await context.newCDPSession(page);
      const sendTouch = (type, points) => cdp.send('Input.dispatchTouchEvent', { type, touchPoints: points });
      return {
        cdp,
        cannot: {},
        ...pageActions(page),
        resize: (w, h) => page.setViewportSize({ width: w, height: h }),
        // The browser's own touch events, a cancelled touch among them (as
        // a tablet's browser cancels one it takes over).
        touch() {
          let at = [0, 0];
          return {
            start: async point => { at = point; await sendTouch('touchStart', [{ x: at[0], y: at[1] }]); },
            move: async point => { at = point; await sendTouch('touchMove', [{ x: at[0], y: at[1] }]); },
            end: () => sendTouch('touchEnd', []),
            cancel: () => sendTouch('touchCancel', []),
          };
        },
        close: () => context.close(),
      };
    },
    close: () => browser.close(),
  };
}

// ----------------------------------------------------------------- Firefox

async function firefox() {
  const puppeteer = require('puppeteer-core');
  const browser = await puppeteer.launch({ browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true,
    protocol: 'webDriverBiDi' });
  const version = (await browser.version()).replace(/^firefox\//, 'Firefox ');
  return {
    name: 'Firefox',
    version,
    async open({ width, height, ratio = 1, touch = false, mobile = false, init = null } = {}) {
      const context = await browser.createBrowserContext();
      const page = await context.newPage();
      await page.setViewport({ width, height, deviceScaleFactor: ratio, hasTouch: touch || mobile });
      if (init)
        await page.evaluateOnNewDocument(init);
      return {
        cannot: {
          cancel: 'WebDriver cannot cancel a touch: the browser\'s own touch is put down, the cancel the browser '
            + 'would send is dispatched in the page, then the finger lifts',
          accessibilityTree: 'WebDriver BiDi shows no accessibility tree: the elements the toolkit makes for it '
            + 'are read from the page instead',
          mobile: mobile ? 'the driver emulates no phone: the page has the phone\'s size and ratio only' : undefined,
        },
        ...pageActions(page),
        resize: (w, h) => page.setViewport({ width: w, height: h, deviceScaleFactor: ratio, hasTouch: touch || mobile }),
        // The browser's own touch events through WebDriver's touch actions.
        touch() {
          let finger = null;
          return {
            start: async ([x, y]) => {
              await page.evaluate(watchTouches);
              finger = await page.touchscreen.touchStart(x, y);
            },
            move: ([x, y]) => finger.move(x, y),
            end: async () => { await finger.end(); finger = null; },
            async cancel() {
              const id = await page.evaluate(() => window.brelonLastTouch);
              await page.evaluate(dispatchTouch, { type: 'pointercancel', x: 0, y: 0, id });
              await finger.end();
              finger = null;
            },
          };
        },
        close: () => context.close(),
      };
    },
    close: () => browser.close(),
  };
}

// ------------------------------------------------------------------ WebKit

function freePort() {
  return new Promise(resolve => {
    const server = net.createServer();
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

async function webkit() {
  const { Builder, Key } = require('selenium-webdriver');
  const input = require('selenium-webdriver/lib/input');
  const port = await freePort();
  const driverProcess = spawn('/usr/bin/WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore' });
  const server = `http://127.0.0.1:${port}`;
  const miniBrowser = ['/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser',
    '/usr/lib/x86_64-linux-gnu/webkitgtk-6.0/MiniBrowser'].find(file => fs.existsSync(file));
  const session = () => new Builder().usingServer(server).withCapabilities({
    browserName: 'MiniBrowser',
    'webkitgtk:browserOptions': { binary: miniBrowser, args: ['--automation'] },
  }).build();
  // The driver answers once it listens.
  let first = null;
  for (const begun = Date.now(); !first && Date.now() - begun < 30000; await sleep(200))
    first = await session().catch(() => null);
  if (!first)
    throw new Error('WebKitWebDriver did not start');
  const version = `WebKitGTK ${(await first.getCapabilities()).get('browserVersion')}`;
  await first.quit();
  const keys = { End: Key.END, Home: Key.HOME, Enter: Key.ENTER, Tab: Key.TAB };

  return {
    name: 'WebKit',
    version,
    async open({ width, height, ratio = 1, mobile = false } = {}) {
      const driver = await session();
      // The window's rectangle includes the browser's own bars: grown by
      // them, the viewport has the size asked for.
      await driver.manage().window().setRect({ width, height });
      const resize = async (w, h) => {
        for (let tries = 0; tries < 3; ++tries) {
          const [iw, ih] = await driver.executeScript('return [innerWidth, innerHeight]');
          if (iw === w && ih === h)
            return;
          const rect = await driver.manage().window().getRect();
          await driver.manage().window().setRect({ width: rect.width + w - iw, height: rect.height + h - ih });
        }
      };
      const evaluate = (fn, arg) => driver.executeAsyncScript(
        `const done = arguments[arguments.length - 1];
         Promise.resolve((${fn})(arguments[0])).then(value => done({ value }), error => done({ error: String(error) }));`,
        arg).then(result => {
        if (result && 'error' in result)
          throw new Error(result.error);
        return result?.value;
      });
      const page = {
        cannot: {
          touch: 'WebKitGTK has no touch events and its driver makes touch actions into mouse events: a touch is the '
            + 'pointer events a touch makes, dispatched in the page',
          accessibilityTree: 'WebDriver shows no accessibility tree: the elements the toolkit makes for it are read '
            + 'from the page instead',
          ratio: ratio !== 1 ? 'WebKitWebDriver cannot set a device pixel ratio' : undefined,
          mobile: mobile ? 'the driver emulates no phone' : undefined,
        },
        goto: async url => {
          await driver.get(url);
          await resize(width, height);
        },
        reload: () => driver.navigate().refresh(),
        evaluate,
        screenshot: async file => fs.writeFileSync(file, Buffer.from(await driver.takeScreenshot(), 'base64')),
        click: (x, y) => driver.actions().move({ x: Math.round(x), y: Math.round(y), origin: input.Origin.VIEWPORT })
          .press().release().perform(),
        key: name => driver.actions().keyDown(keys[name] ?? name).keyUp(keys[name] ?? name).perform(),
        async drag([x, y], dx) {
          let actions = driver.actions().move({ x: Math.round(x), y: Math.round(y), origin: input.Origin.VIEWPORT }).press();
          for (let step = 1; step <= 10; ++step)
            actions = actions.move({ x: Math.round(x + dx * step / 10), y: Math.round(y), origin: input.Origin.VIEWPORT });
          await actions.release().perform();
        },
        resize,
        // The mouse's pointer, which the browser always holds as active.
        touch: () => pageTouch(page, 1),
        close: () => driver.quit(),
      };
      return page;
    },
    close: async () => { driverProcess.kill(); },
  };
}

module.exports = { chromium, firefox, webkit, sleep };
