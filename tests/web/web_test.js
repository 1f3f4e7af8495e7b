// The browser game in Debian's chromium (headless, WebGL in SwiftShader),
// driven through puppeteer-core; the site is served from 127.0.0.1 by a
// server this script starts and stops. One case a run:
//   node web_test.js page|burst|damaged SITE SIM
//   node web_test.js watch SITE SIM REPLAY DUMP   (REPLAY recorded by the Linux game, DUMP its final state)
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const {execFileSync} = require('child_process');
const puppeteer = require('puppeteer-core');

const [caseName, site, sim, ...rest] = process.argv.slice(2);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'valdorik-web-'));
const served = {};  // extra files by URL path, e.g. replays under test
const Frame = {width: 640, height: 480};

function fail(why) {
  console.error(`FAIL (web.${caseName}): ${why}`);
  process.exitCode = 1;
  throw new Error(why);
}

function serve() {
  const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm'};
  const server = http.createServer((request, response) => {
    const url = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = served[url] || path.join(site, path.normalize(url === '/' ? '/index.html' : url));
    fs.readFile(file, (error, bytes) => {
      if (error) { response.writeHead(404); response.end(); return; }
      response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
      response.end(bytes);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Every animation callback of the page (each one screen update), counted
// from before the game loads.
function countScreenUpdates() {
  window.screenUpdates = 0;
  const tick = () => { ++window.screenUpdates; requestAnimationFrame(tick); };
  requestAnimationFrame(tick);
}

async function openPage(server, query = '', beforeLoad = null) {
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: 'new',
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--autoplay-policy=user-gesture-required'],
  });
  const page = await browser.newPage();
  page.messages = [];
  page.on('pageerror', (e) => page.messages.push('page error: ' + e.message));
  // The frame at 1:1, with the page's bar below it.
  await page.setViewport({width: Frame.width, height: Frame.height + 48});
  const client = await page.createCDPSession();
  await client.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: work});
  await page.evaluateOnNewDocument(countScreenUpdates);
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html${query}`);
  return {browser, page};
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

async function waitFor(page, what, test, seconds, ...args) {
  try {
    await page.waitForFunction(test, {timeout: seconds * 1000, polling: 100}, ...args);
  } catch (e) {
    fail(`${what} within ${seconds} s; page says: ${await page.$eval('#messages', (m) => m.textContent)}`);
  }
}

// The canvas as the player sees it, RGB rows top first (ImageMagick decodes the PNG).
async function canvasPixels(page) {
  const png = path.join(work, 'canvas.png');
  await (await page.$('#canvas')).screenshot({path: png});
  return execFileSync('convert', [png, '-depth', '8', 'rgb:-'], {maxBuffer: 1 << 24});
}

function countPixels(rgb, box, test) {
  let n = 0;
  for (let y = box.y0; y < box.y1; ++y)
    for (let x = box.x0; x < box.x1; ++x) {
      const i = (y * Frame.width + x) * 3;
      if (test(rgb[i], rgb[i + 1], rgb[i + 2])) ++n;
    }
  return n;
}

// The grass floor fills most of the lower half; the gold title letters sit
// above the middle.
async function expectFloorAndTitle(page) {
  const rgb = await canvasPixels(page);
  if (rgb.length !== Frame.width * Frame.height * 3) fail(`the canvas shows ${rgb.length / 3} pixels, not 640 x 480`);
  const lower = {x0: 0, y0: 300, x1: 640, y1: 480};
  const grass = countPixels(rgb, lower, (r, g, b) => g > 60 && g > r + 15 && g > b + 15);
  if (grass < 0.4 * 640 * 180) fail(`only ${grass} grass-green pixels in the lower part of the canvas`);
  const title = {x0: 200, y0: 170, x1: 440, y1: 240};
  const gold = countPixels(rgb, title, (r, g, b) => r > 180 && g > 60 && g < 210 && b < 90);
  if (gold < 1500) fail(`only ${gold} gold pixels where the title stands`);
}

// The mean of every channel over a box of the canvas.
function meanLevel(rgb, box) {
  let sum = 0;
  countPixels(rgb, box, (r, g, b) => { sum += r + g + b; return false; });
  return sum / (3 * (box.x1 - box.x0) * (box.y1 - box.y0));
}

// P pauses: the frame at half its brightness with PAUSED in white across
// its middle, in the game's large font, and the page's status says so; P
// again and the game goes on.
async function expectPausedPicture(page) {
  const lower = {x0: 0, y0: 300, x1: 640, y1: 480};
  const words = {x0: 290, y0: 220, x1: 350, y1: 245};
  const white = (r, g, b) => r > 230 && g > 230 && b > 230;
  await page.focus('#canvas');
  const running = meanLevel(await canvasPixels(page), lower);
  await page.keyboard.press('KeyP');
  await waitFor(page, 'no paused picture after P', () => !document.getElementById('paused').hidden, 10);
  const paused = await canvasPixels(page);
  const ratio = meanLevel(paused, lower) / running;
  if (ratio < 0.45 || ratio > 0.55) fail(`paused, the floor is ${ratio.toFixed(3)} of its brightness, not half`);
  const ink = countPixels(paused, words, white);
  if (ink < 60) fail(`only ${ink} white pixels where PAUSED stands`);
  const status = () => page.$eval('#status', (e) => e.textContent);
  if (!(await status()).startsWith('Paused')) fail(`paused, the page's status says "${await status()}"`);
  const presented = await page.evaluate(() => Module.framesPresented);
  await page.keyboard.press('KeyP');
  await waitFor(page, 'the paused picture stays after P again', () => document.getElementById('paused').hidden, 10);
  await waitFor(page, 'no frames after the pause', (n) => Module.framesPresented > n + 10, 10, presented);
  if (!(await status()).startsWith('Playing')) fail(`going on, the page's status says "${await status()}"`);
  const again = meanLevel(await canvasPixels(page), lower) / running;
  if (again < 0.9) fail(`going on, the floor is ${again.toFixed(3)} of its brightness`);
  return `paused at ${ratio.toFixed(3)} of the floor's brightness with ${ink} pixels of PAUSED`;
}

// Every frame the game presents reaches the screen: between any two presents
// the browser has an animation frame (a screen update). Judged present by
// present over the game's own clock, not against a rate in wall time; the
// only pause allowed without one is a wait of a second or more (the game's
// way on when the browser holds animation frames back). With the page's CPU
// throttled 4x, where a loop that keeps the main thread to itself presents
// frames back to back even on a quiet machine.
async function expectScreenUpdatesBetweenPresents(page) {
  const Presents = 120;
  const cdp = await page.createCDPSession();
  await cdp.send('Emulation.setCPUThrottlingRate', {rate: 4});
  await page.evaluate((presents) => {
    const seen = window.presentsSeen = {count: 0, unshown: 0, updates: 0};
    const told = Module.presented;
    let updates = window.screenUpdates, at = performance.now();
    Module.presented = () => {
      told();
      const now = performance.now();
      if (window.screenUpdates === updates && now - at < 1000) ++seen.unshown;
      seen.updates += window.screenUpdates - updates;
      updates = window.screenUpdates;
      at = now;
      if (++seen.count === presents) Module.presented = told;
    };
  }, Presents);
  await waitFor(page, `not ${Presents} frames presented`, (n) => window.presentsSeen.count >= n, 60, Presents);
  await cdp.send('Emulation.setCPUThrottlingRate', {rate: 1});
  await cdp.detach();
  const seen = await page.evaluate(() => window.presentsSeen);
  if (seen.unshown) fail(`${seen.unshown} of ${seen.count} frames presented (CPU throttled 4x) came with no screen update since the one before`);
  return `a screen update between every two of ${seen.count} frames presented (${seen.updates} updates, CPU throttled 4x)`;
}

// A hidden tab has no animation frames: the game, minimised there, does
// not wait for them and goes on presenting; shown again, it goes on drawing.
// (puppeteer's chromium does not slow a hidden tab's timers, as a browser
// may.)
async function expectPresentsWhileHidden(browser, page) {
  const other = await browser.newPage();
  await other.bringToFront();
  await waitFor(page, 'the tab not hidden behind another', () => document.hidden, 10);
  const count = () => page.evaluate(() => [Module.framesPresented, window.screenUpdates]);
  const before = await count();
  await waitFor(page, 'the game stopped in the hidden tab', (n) => Module.framesPresented >= n, 20, before[0] + 30);
  const after = await count();
  if (after[1] !== before[1]) fail(`${after[1] - before[1]} animation frames in the hidden tab`);
  await page.bringToFront();
  await other.close();
  await waitFor(page, 'no screen updates once shown again', (n) => window.screenUpdates > n + 10, 20, after[1]);
  return `${after[0] - before[0]} frames presented while hidden, with no animation frame`;
}

async function finalState(page, seconds) {
  await waitFor(page, 'the final state shown', () => document.getElementById('final-state').textContent.length > 0, seconds);
  return page.$eval('#final-state', (e) => e.textContent);
}

function simReplay(file) {
  const out = execFileSync(sim, ['replay', file], {maxBuffer: 1 << 26}).toString();
  const lines = out.trimEnd().split('\n');
  return lines[lines.length - 1] + '\n';
}

function downloaded() {
  const files = fs.readdirSync(work).filter((f) => f.endsWith('.vrp'));
  return files.length ? path.join(work, files[0]) : '';
}

const cases = {
  // The game shows its floor and title, also when the browser refuses it
  // storage: it plays on, unrecorded, and says so in the desktop's words;
  // every frame it presents gets a screen update; hidden, it goes on
  // without animation frames; it pauses and goes on.
  async page(server) {
    const refuse = () => {
      indexedDB.open = () => { throw new DOMException('The quota has been exceeded.', 'QuotaExceededError'); };
    };
    const {browser, page} = await openPage(server, '', refuse);
    await waitFor(page, 'no frames presented', () => Module.framesPresented > 30, 30);
    await expectFloorAndTitle(page);
    await waitFor(page, 'no word of the refused storage',
                  () => document.getElementById('messages').textContent.includes('this game is not recorded'), 10);
    const shown = await page.$eval('#messages', (m) => m.textContent);
    if (!shown.startsWith('valdorik: this game is not recorded: ')) fail(`the page says "${shown}"`);
    if (!(await page.evaluate(() => document.body.dataset.game === 'running'))) fail('the game did not play on');
    const screen = await expectScreenUpdatesBetweenPresents(page);
    const hidden = await expectPresentsWhileHidden(browser, page);
    const pause = await expectPausedPicture(page);
    await browser.close();
    return `floor and title drawn in the canvas; ${shown}; ${screen}; ${hidden}; ${pause}`;
  },

  // Keys, clicks on cells, scrolling, the Shift camera, H and F1 reach the
  // game; F5 and Backspace neither reload nor leave the page; Escape shows
  // the end panel; the replay downloaded from it ends, through the
  // simulator, in the final state the page shows.
  async burst(server) {
    const {browser, page} = await openPage(server, '?dump-final=1');
    await waitFor(page, 'no frames presented', () => Module.framesPresented > 10, 30);
    await page.evaluate(() => { window.sameDocument = true; });
    const hold = async (key, ms) => { await page.keyboard.down(key); await sleep(ms); await page.keyboard.up(key); };
    await page.mouse.click(320, 240);  // the focus
    await hold('F1', 200);  // a new game
    await hold('H', 200);
    await hold('H', 200);
    for (const [x, y] of [[300, 300], [350, 330], [200, 260]]) {
      await page.mouse.move(x, y);
      await page.mouse.click(x, y, {button: 'left'});
      await page.mouse.click(x + 40, y + 20, {button: 'right'});
    }
    await hold('ArrowRight', 350);
    await hold('ArrowUp', 250);
    await page.keyboard.down('Shift');
    await hold('ArrowLeft', 300);
    await hold('ArrowDown', 300);
    await page.keyboard.up('Shift');
    await hold('PageUp', 300);
    await hold('Space', 200);
    await hold('F5', 150);
    await hold('Backspace', 150);
    await hold('F2', 150);
    await hold('F6', 200);
    // F4 tapped shorter than a frame: its press and release come in together.
    await page.evaluate(() => {
      for (const type of ['keydown', 'keyup'])
        document.getElementById('canvas').dispatchEvent(new KeyboardEvent(type, {keyCode: 115, bubbles: true}));
    });
    await sleep(500);
    if (!(await page.evaluate(() => window.sameDocument === true && document.body.dataset.game === 'running')))
      fail('F5 or Backspace left or reloaded the page, or the game ended');
    await hold('Escape', 300);
    await waitFor(page, 'no end panel after Escape', () => !document.getElementById('end-panel').hidden, 10);
    const state = await finalState(page, 10);
    const seen = JSON.parse(state);
    if (seen.camera[0] >= -30 || seen.camera[1] === -45 || seen.camera[2] === 0)
      fail(`PageUp or the Shift camera did not reach the game: camera ${JSON.stringify(seen.camera)}`);
    if (seen.map_sx === 32 && seen.map_sy === 32) fail('the arrows did not scroll the map');
    if (seen.game_speed === 0) fail('F6 did not reach the game');
    if (seen.unit_size !== 3.1999998) fail(`F4 tapped shorter than a frame was lost: unit size ${seen.unit_size}`);
    await page.click('#download-replay');
    for (let i = 0; i < 50 && !downloaded(); ++i) await sleep(100);
    if (!downloaded()) fail('Download replay gave no file');
    await sleep(300);  // the download finishes writing
    const replayed = simReplay(downloaded());
    if (replayed !== state) fail(`the page's final state and the simulator's replay differ:\n${state}${replayed}`);
    await browser.close();
    return `${seen.pass} passes; the downloaded replay ends in the page's final state`;
  },

  // A game the Linux game recorded, watched in the page, ends in the same state to the byte.
  async watch(server) {
    const [replay, dump] = rest;
    served['/linux.vrp'] = replay;
    const {browser, page} = await openPage(server, '?replay=linux.vrp&dump-final=1');
    const state = await finalState(page, 90);
    const expected = fs.readFileSync(dump, 'utf8');
    if (state !== expected) fail(`the page ends in another state than the Linux game:\n${state}${expected}`);
    await browser.close();
    return `watched to the Linux game's final state (${JSON.parse(state).pass} passes)`;
  },

  // A damaged replay is told in the desktop's words; the page stays usable.
  async damaged(server) {
    const good = path.join(work, 'good.vrp');
    fs.writeFileSync(good, Buffer.concat([Buffer.from('VLDREPLY'), Buffer.from([1, 5]), Buffer.from('0.1.0'),
                                          Buffer.from([0x81, 0x3f, 0x81, 0x00])]));
    const damaged = path.join(work, 'damaged.vrp');
    fs.copyFileSync(good, damaged);
    served['/damaged.vrp'] = damaged;
    let expected = '';
    try { execFileSync(sim, ['replay', damaged], {stdio: ['ignore', 'ignore', 'pipe']}); } catch (e) { expected = e.stderr.toString(); }
    // The simulator names the file by the path it was given; the page by its name.
    const what = expected.trim().split(damaged + ': ')[1];
    if (!what) fail(`the simulator did not refuse the damaged replay: ${expected}`);
    const {browser, page} = await openPage(server, '?replay=damaged.vrp&dump-final=1');
    await waitFor(page, 'no message', () => document.getElementById('messages').textContent.length > 0, 30);
    await waitFor(page, 'no end panel', () => !document.getElementById('end-panel').hidden, 10);
    const shown = await page.$eval('#messages', (m) => m.textContent);
    if (!shown.includes(`valdorik: /watch/damaged.vrp: ${what}`)) fail(`the page says "${shown}", not "${what}"`);
    if (page.messages.length) fail(page.messages.join('; '));
    await page.click('#play-again');
    await waitFor(page, 'no new game after the message', () => document.body.dataset.game === 'running', 10);
    await browser.close();
    return `told: ${shown.trim()}`;
  },
};

(async () => {
  const server = await serve();
  try {
    if (!cases[caseName]) fail('unknown case');
    console.log(`PASS (web.${caseName}): ${await cases[caseName](server)}`);
  } catch (e) {
    if (!process.exitCode) console.error(`FAIL (web.${caseName}): ${e.stack || e}`);
    process.exitCode = 1;
  } finally {
    server.close();
    fs.rmSync(work, {recursive: true, force: true});
    process.exit(process.exitCode || 0);
  }
})();
