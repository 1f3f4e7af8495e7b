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
  // File choosers come to the test, asked for now: one opened before the
  // browser has heard the asking would be missed.
  page.waitForFileChooser({timeout: 0}).catch(() => {});
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

// Shown, and whole within the viewport: seen without scrolling.
async function expectInView(page, selector, what) {
  const box = await page.$eval(selector, (e) => {
    const r = e.getBoundingClientRect();
    return {left: r.left, top: r.top, right: r.right, bottom: r.bottom, shown: e.checkVisibility(),
            width: innerWidth, height: innerHeight};
  });
  if (!box.shown || box.right <= box.left) fail(`${what} is not shown`);
  if (box.left < 0 || box.top < 0 || box.right > box.width || box.bottom > box.height)
    fail(`${what} is out of view: ${JSON.stringify(box)}`);
}

// The end panel's way on when nothing was played: New game, in view, starts
// a game, and the last one's messages go.
async function startNewGame(page) {
  const label = await page.$eval('#play-again', (b) => b.textContent);
  if (label !== 'New game') fail(`the end panel offers "${label}", not New game`);
  await expectInView(page, '#play-again', 'New game');
  await page.click('#play-again');
  await waitFor(page, 'no new game from New game', () => document.body.dataset.game === 'running', 10);
  const left = await page.$eval('#messages', (m) => m.textContent);
  if (left) fail(`the new game still shows the last one's message "${left}"`);
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

// The canvas with the keys shows a ring. When the keys leave it (Tab, a
// click in the page's margin) the page says how to get them back, until a
// click on the game takes them. Tab reaches "Watch a replay file...", read
// as a button, and Enter on it opens the file chooser.
async function expectKeysTold(page) {
  const hint = () => page.$eval('#keys-hint', (e) => (e.checkVisibility() ? e.textContent : ''));
  const hintGoes = (why) => waitFor(page, `the hint stays ${why}`, () => document.getElementById('keys-hint').hidden, 5);
  await page.mouse.click(320, 240);
  const ring = await page.$eval('#canvas', (e) => getComputedStyle(e).outlineStyle !== 'none' && parseFloat(getComputedStyle(e).outlineWidth) > 0);
  if (!ring) fail('the canvas with the keys shows no ring');
  if (await hint()) fail(`with the keys in the game the page says "${await hint()}"`);
  let tabs = 0;
  while (tabs < 6 && !(await page.evaluate(() => document.activeElement.id === 'watch-file'))) {
    await page.keyboard.press('Tab');
    ++tabs;
  }
  if (tabs === 6) fail('Tab does not reach "Watch a replay file..."');
  const node = await page.accessibility.snapshot({root: await page.$('#watch-file')});
  if (node.role !== 'button' || !node.name.startsWith('Watch a replay file')) fail(`Watch is read as ${JSON.stringify(node)}`);
  await waitFor(page, 'no hint with the keys away from the game', () => !document.getElementById('keys-hint').hidden, 5);
  if ((await hint()) !== 'Click the game to play') fail(`with the keys away from the game the page says "${await hint()}"`);
  await expectInView(page, '#keys-hint', 'the hint');
  const [chooser] = await Promise.all([
    page.waitForFileChooser({timeout: 15000}).catch(() => fail('Enter on Watch opens no file chooser')),
    page.keyboard.press('Enter'),
  ]);
  await chooser.cancel();
  await page.mouse.click(320, 240);
  await hintGoes('once the game is clicked');
  await page.mouse.click(Frame.width - 4, Frame.height + 30);  // beside the bar
  await waitFor(page, 'no hint after a click in the margin', () => !document.getElementById('keys-hint').hidden, 5);
  await page.mouse.click(320, 240);
  await hintGoes('once the game is clicked again');
  return `Tab reached Watch in ${tabs}`;
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

// Download replay, in view, gives the game's replay, which the simulator
// plays to the final state the page showed.
async function expectDownloadReplays(page, state) {
  await expectInView(page, '#download-replay', 'Download replay');
  await page.click('#download-replay');
  for (let i = 0; i < 50 && !downloaded(); ++i) await sleep(100);
  if (!downloaded()) fail('Download replay gave no file');
  await sleep(300);  // the download finishes writing
  const replayed = simReplay(downloaded());
  if (replayed !== state) fail(`the page's final state and the simulator's replay differ:\n${state}${replayed}`);
}

// A replay chosen while a game is played ends the game only when the
// player says so: Keep playing keeps the game and gives it the keys back;
// End it and watch watches the file, here to the final state it replays to.
async function expectAskedBeforeWatching(page, file, state) {
  await page.click('#play-again');
  await waitFor(page, 'no new game from Play again', () => document.body.dataset.game === 'running', 10);
  const name = path.basename(file);
  const choose = async () => {
    const [chooser] = await Promise.all([page.waitForFileChooser({timeout: 5000}), page.click('#watch-file')]);
    await chooser.accept([file]);
    await waitFor(page, 'no question before the game is ended', () => document.getElementById('end-game').open, 10);
    const asked = await page.$eval('#end-game-text', (e) => e.textContent);
    if (asked !== `End this game and watch ${name}?`) fail(`the page asks "${asked}"`);
  };
  await choose();
  await page.click('#keep-playing');
  await waitFor(page, 'Keep playing does not give the game the keys back', () => document.activeElement.id === 'canvas', 5);
  await sleep(500);
  const kept = await page.evaluate(() => ({
    running: document.body.dataset.game === 'running', status: document.getElementById('status').textContent}));
  if (!kept.running || !kept.status.startsWith('Playing')) fail(`Keep playing did not keep the game: ${JSON.stringify(kept)}`);
  await choose();
  await page.click('#end-and-watch');
  await waitFor(page, 'the file is not watched', (n) => document.getElementById('status').textContent.startsWith(`Watching ${n}`), 10, name);
  await waitFor(page, 'the replay does not end', () => document.getElementById('end-text').textContent === 'The replay is over.', 30);
  const watched = await finalState(page, 10);
  if (watched !== state) fail(`the watched replay ends in another state than the game:\n${state}${watched}`);
}

const cases = {
  // The game shows its floor and title, also when the browser refuses it
  // storage: it plays on, says so in the desktop's words, and still offers
  // its replay for download when Escape ends it; it pauses and goes on; the
  // page tells where the keys are.
  async page(server) {
    const refuse = () => {
      indexedDB.open = () => { throw new DOMException('The quota has been exceeded.', 'QuotaExceededError'); };
    };
    const {browser, page} = await openPage(server, '?dump-final=1', refuse);
    await waitFor(page, 'no frames presented', () => Module.framesPresented > 30, 30);
    await expectFloorAndTitle(page);
    await waitFor(page, 'no word of the refused storage',
                  () => document.getElementById('messages').textContent.includes('not kept in the browser'), 10);
    const shown = await page.$eval('#messages', (m) => m.textContent);
    if (!shown.startsWith('valdorik: this game is not kept in the browser: ')) fail(`the page says "${shown}"`);
    await expectInView(page, '#messages', 'the word of the refused storage');
    if (!(await page.evaluate(() => document.body.dataset.game === 'running'))) fail('the game did not play on');
    const pause = await expectPausedPicture(page);
    const keys = await expectKeysTold(page);
    await page.keyboard.press('Escape');
    await waitFor(page, 'no end panel after Escape', () => !document.getElementById('end-panel').hidden, 10);
    await expectDownloadReplays(page, await finalState(page, 10));
    await browser.close();
    return `floor and title drawn in the canvas; ${shown.split('\n')[0]}; ${pause}; ${keys}; its replay downloaded`;
  },

  // Keys, clicks on cells, scrolling, the Shift camera, H and F1 reach the
  // game; F5 and Backspace neither reload nor leave the page; Escape shows
  // the end panel; the replay downloaded from it ends, through the
  // simulator and watched in the page, in the final state the page shows.
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
    await expectDownloadReplays(page, state);
    await expectAskedBeforeWatching(page, downloaded(), state);
    await browser.close();
    return `${seen.pass} passes; the downloaded replay ends in the page's final state, watched too, once asked`;
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

  // A damaged replay is told in the desktop's words, naming the player's
  // file, over the frame (also on a phone); the page stays usable. So is an
  // address that cannot be read, told with the server's answer.
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
    if (!shown.includes(`valdorik: damaged.vrp: ${what}`)) fail(`the page says "${shown}", not "${what}"`);
    await expectInView(page, '#messages', 'the message');
    const ending = await page.$eval('#end-text', (e) => e.textContent);
    if (!ending.includes('could not be watched')) fail(`the end panel says "${ending}" of a replay that never started`);
    await startNewGame(page);
    await page.setViewport({width: 360, height: 640});  // a phone, upright
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html?replay=missing.vrp`);
    await waitFor(page, 'no end panel for an address that cannot be read',
                  () => !document.getElementById('end-panel').hidden, 30);
    const missing = await page.$eval('#messages', (m) => m.textContent);
    if (!missing.includes('valdorik: missing.vrp: cannot be read: ') || !missing.includes('404'))
      fail(`for an address that cannot be read the page says "${missing}"`);
    await expectInView(page, '#messages', 'the message on a phone');
    await startNewGame(page);
    if (page.messages.length) fail(page.messages.join('; '));
    await browser.close();
    return `told: ${shown.trim()}; ${missing.trim()}`;
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
