// The browser game in Debian's chromium (headless, WebGL in SwiftShader) or,
// with VALDORIK_BROWSER=firefox, its firefox-esr (headed, on the X display
// given), driven through puppeteer-core; the site is served from
// 127.0.0.1 by a server this script starts and stops. One case a run:
//   node web_test.js page|burst|damaged|fullscreen|layout|offline|outcome|touch|aim|reload SITE SIM DRIVER
//   node web_test.js watch SITE SIM REPLAY DUMP   (REPLAY recorded by the Linux game, DUMP its final state)
//   node web_test.js versus SITE SIM DRIVER RELAY GAME GAME_FOLDER   (the page against a Linux window)
//   node web_test.js versus_windows SITE SIM DRIVER RELAY EXE GAME_FOLDER WINEPREFIX   (against the Windows game under Wine)
// DRIVER is tests/window's window_driver, which knows where the game's squares are.
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const {execFileSync, spawn, spawnSync} = require('child_process');
const puppeteer = require('puppeteer-core');

const [caseName, site, sim, ...rest] = process.argv.slice(2);
const driver = caseName === 'watch' ? '' : rest[0];  // the desktop tests' window_driver
const engine = process.env.VALDORIK_BROWSER || 'chromium';
const testName = engine === 'chromium' ? `web.${caseName}` : `web.${engine}.${caseName}`;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'valdorik-web-'));
const served = {};  // extra files by URL path, e.g. replays under test
const network = {up: true};  // down: the server drops every request, as if the network were gone
const Frame = {width: 640, height: 480};

function fail(why) {
  console.error(`FAIL (${testName}): ${why}`);
  process.exitCode = 1;
  throw new Error(why);
}

function serve() {
  const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
                 '.webmanifest': 'application/manifest+json', '.png': 'image/png'};
  const server = http.createServer((request, response) => {
    if (!network.up) { request.socket.destroy(); return; }
    const url = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = served[url] || path.join(site, path.normalize(url === '/' ? '/index.html' : url));
    fs.readFile(file, (error, bytes) => {
      if (error) { response.writeHead(404); response.end(); return; }
      response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream', 'Content-Length': bytes.length});
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

// Firefox goes over WebDriver BiDi, which has no download folder of its own:
// its preferences give one. Headless, it has no WebGL here, so it runs headed.
function launch() {
  if (engine === 'chromium') {
    return puppeteer.launch({
      executablePath: '/usr/bin/chromium', headless: 'new',
      args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--autoplay-policy=user-gesture-required'],
      downloadBehavior: {policy: 'allow', downloadPath: work},
    });
  }
  if (engine !== 'firefox') fail(`no browser named "${engine}" (VALDORIK_BROWSER: chromium or firefox)`);
  if (!process.env.DISPLAY) fail('firefox runs headed and needs an X display (tests/window/run_on_display.sh gives one)');
  return puppeteer.launch({
    browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false,
    timeout: 60000,  // its start alone took 19 s on a busy machine; puppeteer waits 30 s
    extraPrefsFirefox: {
      // Downloads go without asking into the folder the case reads.
      'browser.download.folderList': 2,
      'browser.download.dir': work,
      'browser.download.useDownloadDir': true,
    },
  });
}

// Puppeteer's WebDriver BiDi keyboard knows the space bar only as ' ' (its
// chromium keyboard takes both, as the same key), so cases may say 'Space'.
function spaceByItsCharacter(keyboard) {
  for (const action of ['down', 'up', 'press']) {
    const act = keyboard[action].bind(keyboard);
    keyboard[action] = (key, ...options) => act(key === 'Space' ? ' ' : key, ...options);
  }
}

async function openPage(server, query = '', beforeLoad = null, viewport = null) {
  const browser = await launch();
  const page = await browser.newPage();
  page.messages = [];
  page.on('pageerror', (e) => page.messages.push('page error: ' + e.message));
  // The frame at 1:1, with the page's bar below it.
  await page.setViewport(viewport || {width: Frame.width, height: Frame.height + 48});
  if (engine === 'firefox') spaceByItsCharacter(page.keyboard);
  // File choosers come to the test, asked for now: one opened before the
  // browser has heard the asking would be missed.
  page.waitForFileChooser({timeout: 0}).catch(() => {});
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
  const title = {x0: 200, y0: 145, x1: 440, y1: 200};
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
  const hint = () => page.$eval('#keys-hint', (e) => (e.checkVisibility() ? e.innerText : ''));
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
  // Firefox's accessibility tree is out of puppeteer's reach: there the element is asked.
  const node = engine === 'chromium' ? await page.accessibility.snapshot({root: await page.$('#watch-file')})
    : await page.$eval('#watch-file', (e) => ({role: e.localName === 'button' ? 'button' : e.role, name: e.textContent}));
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
  await page.click('#replays h2');  // the page beside the frame, wherever the window puts it
  await waitFor(page, 'no hint after a click in the margin', () => !document.getElementById('keys-hint').hidden, 5);
  await page.mouse.click(320, 240);
  await hintGoes('once the game is clicked again');
  return `Tab reached Watch in ${tabs}`;
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
  // Firefox has no DevTools protocol to throttle with: there the machine is as it is.
  const cdp = engine === 'chromium' ? await page.createCDPSession() : null;
  const throttled = cdp ? 'CPU throttled 4x' : 'CPU not throttled in firefox';
  if (cdp) await cdp.send('Emulation.setCPUThrottlingRate', {rate: 4});
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
  if (cdp) {
    await cdp.send('Emulation.setCPUThrottlingRate', {rate: 1});
    await cdp.detach();
  }
  const seen = await page.evaluate(() => window.presentsSeen);
  if (seen.unshown) fail(`${seen.unshown} of ${seen.count} frames presented (${throttled}) came with no screen update since the one before`);
  return `a screen update between every two of ${seen.count} frames presented (${seen.updates} updates, ${throttled})`;
}

// A hidden tab has no animation frames: the game, minimised there, does
// not wait for them and goes on presenting; shown again, it goes on drawing.
// (puppeteer's chromium does not slow a hidden tab's timers, as a browser
// may.)
async function expectPresentsWhileHidden(browser, page) {
  // Firefox slows a background tab's timers: there the game drew fewer than 30 frames in 20 s.
  if (engine === 'firefox') return 'not run here: the hidden tab (firefox slows its timers)';
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


// ---- The page's storage, as the page keeps it: the names in `put` stored
// first (each holding `bytes`); then every name kept, and the bytes of `read`.
function storage(page, {put = [], bytes = [], read = ''} = {}) {
  return page.evaluate((put, bytes, read) => new Promise((resolve, reject) => {
    const open = indexedDB.open('valdorik');
    open.onsuccess = () => {
      const tx = open.result.transaction('replays', 'readwrite'), store = tx.objectStore('replays'), result = {};
      put.forEach((name) => store.put({name, bytes: new Uint8Array(bytes)}));
      store.getAllKeys().onsuccess = (e) => { result.names = e.target.result.sort(); };
      if (read) store.get(read).onsuccess = (e) => { result.bytes = Array.from(e.target.result.bytes); };
      tx.oncomplete = () => { open.result.close(); resolve(result); };
      tx.onerror = () => reject(tx.error);
    };
  }), put, bytes, read);
}

// Keys and clicks a player gives a game: the same each time they are given.
async function someInput(page) {
  await page.mouse.click(320, 240);
  await page.mouse.click(300, 300);
  await page.mouse.click(340, 320, {button: 'right'});
  await page.keyboard.press('ArrowRight', {delay: 250});
  await page.keyboard.press('PageUp', {delay: 250});
}

// The page itself does not scroll, and every control of the column beside
// the frame (and the status) comes into view there when scrolled to.
async function expectEveryControlInReach(page, where) {
  const out = await page.evaluate(() => {
    const page = document.scrollingElement;
    const missed = page.scrollHeight > innerHeight || page.scrollWidth > innerWidth
      ? [`the page scrolls to ${page.scrollWidth} x ${page.scrollHeight}`] : [];
    for (const control of document.querySelectorAll('#side button, #status')) {
      if (!control.checkVisibility()) continue;
      control.scrollIntoView({block: 'nearest', inline: 'nearest'});
      const r = control.getBoundingClientRect();
      if (r.top < -1 || r.left < -1 || r.bottom > innerHeight + 1 || r.right > innerWidth + 1 || scrollX || scrollY)
        missed.push(`"${control.textContent}" at ${r.left},${r.top} scrolled ${scrollX},${scrollY}`);
    }
    document.getElementById('side').scrollTop = 0;
    return missed;
  });
  if (out.length) fail(`${where}: out of reach: ${out.join('; ')}`);
}

// A game's facts are told as it ends: a recruit try on a mine (10 gold) in
// its last passes shows in the gold, though they are read only every few
// frames while it runs.
async function expectFactsAtEnd(page) {
  const state = await gameState(page);
  const reached = (u) => {
    try { return execFileSync(driver, ['cell-pixel', u[2] - state.map_sx, u[3] - state.map_sy]).toString().split(' '); }
    catch (e) { return null; }
  };
  const [x, y] = state.units.filter((u) => u[10] === 90 && u[1] === Owner.neutral).map(reached).find(Boolean) ||
    fail('no mine within the pointer\'s reach');
  // Just after a frame whose facts were read (every tenth): click, and Escape a frame later.
  await page.evaluate((x, y) => new Promise((done) => {
    const canvas = document.getElementById('canvas'), box = canvas.getBoundingClientRect();
    const at = {clientX: box.left + (x + 0.5) * box.width / 640, clientY: box.top + (y + 0.5) * box.height / 480,
                bubbles: true};
    const send = (type, Kind, more) => canvas.dispatchEvent(new Kind(type, {...at, ...more}));
    const act = () => {
      if (Module.framesPresented % 10 !== 1) return requestAnimationFrame(act);
      for (const type of ['mousemove', 'mousedown', 'mouseup']) send(type, MouseEvent, {button: 0});
      requestAnimationFrame(() => { for (const type of ['keydown', 'keyup']) send(type, KeyboardEvent, {keyCode: 27}); done(); });
    };
    act();
  }), Number(x), Number(y));
  await waitFor(page, 'the game does not end', () => document.body.dataset.game === 'ended', 10);
  const told = await page.evaluate(() => ({gold: Number(document.getElementById('fact-gold').textContent),
    game: document.getElementById('fact-game').textContent,
    final: JSON.parse(Module.UTF8ToString(Module._WebStateDump())).units[0][13]}));
  if (told.final > state.units[0][13] - 5) fail(`the click on a mine was no recruit try: ${JSON.stringify(told)}`);
  if (Math.abs(told.gold - told.final) >= 1 || told.game !== 'Over') fail(`the game ended in gold ${told.final}; the facts say ${JSON.stringify(told)}`);
  return `the last facts told (gold ${told.gold})`;
}

// The facts beside the frame tell the unit the game has selected, by its
// name (`named`, or any but the leader's) and hit points.
async function expectSelectedTold(page, named) {
  await waitFor(page, `the facts do not tell the selected unit (${named || 'not the leader'})`, (name) => {
    const state = JSON.parse(Module.UTF8ToString(Module._WebStateDump()));
    const unit = state.units.find((u) => u[0] === state.selected_unit);
    const told = document.getElementById('fact-unit').textContent;
    return (name ? told.startsWith(`${name}, `) : !told.startsWith('Mage, ')) &&
           told.endsWith(`, ${Math.round(unit[15])} of ${unit[14]} hit points`);
  }, 10, named);
}

// ---- Aim: the finger acts on the cell drawn under it ----
// How many of the 7 x 7 page pixels round a point (a fingertip covers far
// more) are the red square's (the brick tinted red: no green, no blue), as
// the player sees them.
async function redPixelsAt(page, [x, y]) {
  const png = path.join(work, 'spot.png');
  await page.screenshot({path: png, clip: {x: Math.floor(x) - 3, y: Math.floor(y) - 3, width: 7, height: 7}});
  const rgb = execFileSync('convert', [png, '-depth', '8', 'rgb:-']);
  let red = 0;
  for (let i = 0; i < rgb.length; i += 3) red += rgb[i] > 30 && rgb[i + 1] === 0 && rgb[i + 2] === 0;
  return red;
}

// The inset over the frame while a finger aims: shown, and how many of its
// pixels are lit and how many the red square's.
function insetSeen(page) {
  return page.evaluate(() => {
    const view = document.getElementById('aim-view'), inset = document.getElementById('aim-inset');
    const data = inset.getContext('2d').getImageData(0, 0, inset.width, inset.height).data;
    let lit = 0, red = 0;
    for (let i = 0; i < data.length; i += 4) {
      lit += data[i] + data[i + 1] + data[i + 2] > 30;
      red += data[i] > 30 && data[i + 1] === 0 && data[i + 2] === 0;
    }
    return {shown: view.checkVisibility(), cut: document.getElementById('aim-edge').checkVisibility(),
            lit: lit / (inset.width * inset.height), red};
  });
}

// One finger moved over 5 x 5 places spread over the frame, resting at each
// for two passes. Where the grid reaches the cell drawn there, the square
// must act on it (95 % of places at least: a unit may walk meanwhile) and be
// seen under the finger; where it does not, the square stops at the grid's
// nearest edge cell and the inset says so.
async function expectAimsOnDrawnCells(page, fingers) {
  const box = await canvasBox(page);
  const places = [];
  for (let j = 0; j < 5; ++j)
    for (let i = 0; i < 5; ++i) places.push([Math.floor((i + 0.5) * Frame.width / 5) + 7.5, Math.floor((j + 0.5) * Frame.height / 5) + 5.5]);
  const seen = {reachable: 0, onDrawn: 0, floor: 0, redSeen: 0, edge: 0, insetRed: 0, missed: []};
  await fingers.put(1, ...onPage(box, places[0]));
  for (const place of places) {
    await fingers.move(1, ...onPage(box, place));
    await passesGo(page, 2);
    const state = await gameState(page);
    const drawn = drawnAt(state, place);
    const acted = [state.map_ex, state.map_ey];
    const inset = await insetSeen(page);
    if (!inset.shown || !inset.lit) fail(`aiming at ${place}, the inset is ${JSON.stringify(inset)}`);
    if (!drawn || !reached(state, drawn.cell)) {
      // Far beyond (above the horizon, or past 80 cells), any cell on the grid's edge will do.
      const edge = drawn ? onGridEdge(state, drawn.cell) : acted;
      const onEdge = [acted[0] - state.map_sx, acted[1] - state.map_sy].some((d, i) => d === [-20, -19][i] || d === [19, 20][i]);
      if (acted[0] !== edge[0] || acted[1] !== edge[1] || !onEdge || !inset.cut)
        fail(`at ${place}, (${drawn?.cell ?? 'no cell within 80'}) is drawn beyond the grid; the square is at (${acted}), not its edge ` +
             `(${edge}); the inset tells ${inset.cut ? '' : 'no '}cut`);
      ++seen.edge;
      continue;
    }
    ++seen.reachable;
    if (inset.cut) fail(`at ${place}, the inset says the square stopped at the edge, with (${drawn.cell}) in reach`);
    if (acted[0] === drawn.cell[0] && acted[1] === drawn.cell[1]) ++seen.onDrawn;
    else seen.missed.push(`(${acted}) for (${drawn.cell}) at ${place.map(Math.floor)}`);
    if (drawn.unit) continue;
    ++seen.floor;
    seen.redSeen += (await redPixelsAt(page, onPage(box, place))) >= 3;
    seen.insetRed += inset.red >= 20;
  }
  await fingers.lift(1);
  const told = `${seen.onDrawn}/${seen.reachable} acted on the cell drawn, ${seen.edge} beyond the grid at its edge; ` +
               `red square seen under ${seen.redSeen}/${seen.floor} floor places, in the inset at ${seen.insetRed}`;
  if (seen.reachable < 10 || seen.onDrawn < 0.95 * seen.reachable) fail(`${told}; missed: ${seen.missed.join(', ')}`);
  if (seen.redSeen < 0.9 * seen.floor || seen.insetRed < 0.9 * seen.floor) fail(told);
  return told;
}

// The selected unit is marked on the page above its picture while it is
// drawn. The view to the player's first unit (held a second, for the game's
// count to see it) leaves it 20 cells away, where the game draws no unit;
// a cell right, it is drawn.
async function expectSelectedMarked(page) {
  const mark = () => page.$eval('#selected-mark', (e) => e.checkVisibility() && e.getBoundingClientRect().toJSON());
  for (const [key, ms] of [['Backspace', 1200], ['ArrowRight', 150]]) {
    await page.keyboard.down(key);
    await sleep(ms);
    await page.keyboard.up(key);
    await viewSettles(page);
    const state = await gameState(page);
    const unit = state.units.find((u) => u[Column.id] === state.selected_unit);
    const away = Math.abs(unit[Column.x] - state.map_sx) + Math.abs(unit[Column.y] - state.map_sy);
    if (away >= 20) {
      if (await mark()) fail(`the selected unit, ${away} cells from the view and not drawn, is marked`);
      continue;
    }
    const head = sceneToFrame(state)([unit[Column.x] - state.map_sx + 0.5, unit[Column.y] - state.map_sy + 0.5, state.unit_size]);
    if (!head || head[0] < 0 || head[0] >= Frame.width || head[1] < 0 || head[1] >= Frame.height)
      fail(`the selected unit is not on the frame after the view went to it: its head at ${head}`);
    const [x, y] = onPage(await canvasBox(page), head);
    const shown = await mark();
    if (!shown || Math.abs(shown.x + shown.width / 2 - x) > 2 || Math.abs(shown.bottom - y) > 2)
      fail(`the selected unit's head is at ${x},${y} on the page, its mark ${JSON.stringify(shown)}`);
    return;
  }
  fail('the selected unit is not drawn a cell right of where Your unit put the view');
}

// A creature no one owns tapped where it is drawn, on its body above its
// cell, gets a recruit try: 10 gold go, or it is won. With none drawn, the
// arrows go towards the nearest.
async function expectCreatureTappedOnItsBody(page, fingers) {
  for (let round = 0; round < 30; ++round) {
    const state = await gameState(page);
    const toFrame = sceneToFrame(state);
    const body = (u) => toFrame([u[Column.x] - state.map_sx + 0.5, u[Column.y] - state.map_sy + 0.5, state.unit_size * 0.6]);
    const creatures = state.units.filter((u) => u[Column.owner] === Owner.neutral && u[Column.mobility] === 1 && !u[Column.dead]);
    const tapped = creatures.find((u) => {
      const at = body(u);
      return at && reached(state, [u[Column.x], u[Column.y]]) && drawnAt(state, at)?.unit === u &&
             at[0] > 0 && at[0] < Frame.width && at[1] > 0 && at[1] < Frame.height;
    });
    if (!tapped) {
      const far = (u) => Math.abs(u[Column.x] - state.map_sx) + Math.abs(u[Column.y] - state.map_sy);
      const [near] = creatures.sort((a, b) => far(a) - far(b));
      const [dx, dy] = [near[Column.x] - state.map_sx, near[Column.y] - state.map_sy];
      const arrow = Math.abs(dx) > Math.abs(dy) ? (dx > 0 ? 'ArrowRight' : 'ArrowLeft') : (dy > 0 ? 'ArrowUp' : 'ArrowDown');
      await page.keyboard.down(arrow);
      await sleep(200);
      await page.keyboard.up(arrow);
      await viewSettles(page);
      continue;
    }
    const gold = state.units[0][Column.gold];
    const at = onPage(await canvasBox(page), body(tapped));
    await Promise.all([fingers.put(9, ...at), fingers.lift(9)]);
    await passesGo(page, 3);
    const after = await gameState(page);
    const won = after.units.find((u) => u[Column.id] === tapped[Column.id])?.[Column.owner] === Owner.player;
    const spent = gold - after.units[0][Column.gold];
    if (won || Math.abs(spent - 10) < 0.01) return `creature ${tapped[Column.id]} tapped on its body: ${won ? 'won' : '10 gold tried'}`;
  }
  fail('no creature tapped on its body got a recruit try');
}

// ---- Touch: a phone held sideways, driven through the DevTools protocol's touch points ----
const Phone = {width: 844, height: 390, isMobile: true, hasTouch: true};
const Owner = {player: 0, neutral: 2};

// The game's state between two passes, as --dump-final writes it.
async function gameState(page) {
  return JSON.parse(await page.evaluate(() => Module.UTF8ToString(Module._WebStateDump())));
}

async function passesGo(page, n) {
  const from = (await gameState(page)).pass;
  await waitFor(page, `no ${n} passes`, (p) => JSON.parse(Module.UTF8ToString(Module._WebStateDump())).pass >= p, 10,
                from + n);
}

// Fingers by number, each event naming the finger it changes.
function touchPad(client) {
  const send = (type, id, x, y) => client.send('Input.dispatchTouchEvent', {type, touchPoints: [{x, y, id}]});
  const at = new Map();
  return {
    put: (id, x, y) => { at.set(id, [x, y]); return send('touchStart', id, x, y); },
    move: (id, x, y) => { at.set(id, [x, y]); return send('touchMove', id, x, y); },
    lift: (id) => { const [x, y] = at.get(id); at.delete(id); return send('touchEnd', id, x, y); },
  };
}

// Where a frame pixel and an on-screen control are, in the page's CSS pixels.
async function canvasBox(page) { return (await page.$('#canvas')).boundingBox(); }
async function controlAt(page, title) {
  const box = await (await page.$(`#controls button[title^="${title}"]`)).boundingBox();
  return [box.x + box.width / 2, box.y + box.height / 2];
}

// ---- The test's own view of the scene, from the camera in the game's state ----
// The scene is the floor at z = 0, one unit a cell, from the view centre
// (map_sx, map_sy); the camera spins it about z, turns it about y, tilts it
// about x (degrees, in that order) and moves it `zoom` along z; a
// 45-degree perspective of 4:3 puts it on the frame (pixels, y down).
const Field = Math.tan(22.5 * Math.PI / 180);
function sceneToFrame(state) {
  const [zoom, ...turns] = state.camera;
  const about = [[1, 2], [2, 0], [0, 1]];  // the plane each of x, y, z turns in
  return ([x, y, z]) => {
    const p = [x, y, z];
    for (const axis of [2, 1, 0]) {  // spin (z), turn (y), tilt (x)
      const angle = turns[axis] * Math.PI / 180, [i, j] = about[axis];
      [p[i], p[j]] = [p[i] * Math.cos(angle) - p[j] * Math.sin(angle), p[i] * Math.sin(angle) + p[j] * Math.cos(angle)];
    }
    const depth = -(p[2] + zoom);
    if (depth <= 0) return null;
    return [Frame.width / 2 * (1 + p[0] / (depth * Field * 4 / 3)), Frame.height / 2 * (1 - p[1] / (depth * Field)), depth];
  };
}

// Whether (x, y) lies inside the quadrilateral of frame points (convex, either way round).
function insideQuad(corners, [x, y]) {
  if (corners.some((c) => !c)) return false;
  const sides = corners.map((a, k) => {
    const b = corners[(k + 1) % 4];
    return Math.sign((b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]));
  });
  return sides.every((s) => s >= 0) || sides.every((s) => s <= 0);
}

// The units standing in view (the game draws those fewer than 20 cells from
// the view centre, counting both ways), each as the frame corners of its
// upright picture: UnitSize square, standing on the middle of its cell,
// facing the viewer whatever the spin. Dead ones lie flat, on their cell.
const Column = {id: 0, owner: 1, x: 2, y: 3, type: 10, mobility: 11, gold: 13, dead: 16};
function standingPictures(state) {
  const toFrame = sceneToFrame(state), size = state.unit_size, spin = state.camera[3] * Math.PI / 180;
  const across = [Math.cos(spin) * size / 2, -Math.sin(spin) * size / 2];
  return state.units.filter((u) => !u[Column.dead] && Math.abs(u[Column.x] - state.map_sx) + Math.abs(u[Column.y] - state.map_sy) < 20)
    .map((u) => {
      const [cx, cy] = [u[Column.x] - state.map_sx + 0.5, u[Column.y] - state.map_sy + 0.5];
      const corner = (side, up) => toFrame([cx + side * across[0], cy + side * across[1], up]);
      return {unit: u, body: toFrame([cx, cy, size / 2]), corners: [corner(-1, 0), corner(1, 0), corner(1, size), corner(-1, size)]};
    });
}

// What the frame shows at frame point `at`: the front-most standing unit
// picture there, {cell, unit}, else the floor cell, {cell, unit: null}; null
// when no floor cell within 80 of the view centre is drawn there.
function drawnAt(state, at) {
  const front = standingPictures(state).filter((p) => p.body && insideQuad(p.corners, at))
    .sort((a, b) => a.body[2] - b.body[2])[0];
  if (front) return {cell: [front.unit[Column.x], front.unit[Column.y]], unit: front.unit};
  const toFrame = sceneToFrame(state);
  for (let dy = -80; dy < 80; ++dy)
    for (let dx = -80; dx < 80; ++dx)
      if (insideQuad([[dx, dy], [dx + 1, dy], [dx + 1, dy + 1], [dx, dy + 1]].map(([x, y]) => toFrame([x, y, 0])), at))
        return {cell: [state.map_sx + dx, state.map_sy + dy], unit: null};
  return null;
}

// Whether the rules' pointer grid reaches a cell: -20 to 19 across from the
// view centre, -19 to 20 up; and the nearest cell it reaches.
const onGridEdge = (state, [x, y]) => [Math.min(Math.max(x - state.map_sx, -20), 19) + state.map_sx,
                                       Math.min(Math.max(y - state.map_sy, -19), 20) + state.map_sy];
const reached = (state, cell) => onGridEdge(state, cell).every((v, i) => v === cell[i]);

// Where on the frame a finger acts on a cell: on the picture of the unit
// standing there, else on the middle of its floor, then near its edges; only
// places inside the frame.
function placesFor(state, [x, y]) {
  const toFrame = sceneToFrame(state);
  const picture = standingPictures(state).find((p) => p.unit[Column.x] === x && p.unit[Column.y] === y);
  const [dx, dy] = [x - state.map_sx, y - state.map_sy];
  const floor = [[0.5, 0.5], [0.5, 0.2], [0.5, 0.8], [0.2, 0.5], [0.8, 0.5]].map(([u, v]) => toFrame([dx + u, dy + v, 0]));
  return [picture?.body, ...floor].filter((p) => p && p[0] >= 0 && p[0] < Frame.width && p[1] >= 0 && p[1] < Frame.height);
}
const inView = (state, cell) => reached(state, cell) && placesFor(state, cell).length > 0;

// The page's CSS point over a frame point.
function onPage(box, [x, y]) { return [box.x + x * box.width / Frame.width, box.y + y * box.height / Frame.height]; }

// Aims the first finger at a cell, where the frame draws it; null when it
// is not drawn on the frame or the pointer's grid does not reach it. The
// view may still be scrolling from an arrow let go late: the aim follows it.
async function aimAt(page, fingers, cell) {
  for (let attempt = 0; attempt < 5; ++attempt) {
    const state = await gameState(page);
    if (!reached(state, cell)) return null;
    const places = placesFor(state, cell);
    if (!places.length) return null;
    const box = await canvasBox(page);
    for (const place of places) {
      const at = onPage(box, place);
      await fingers.move(1, ...at);
      await passesGo(page, 2);
      const now = await gameState(page);
      if (now.map_ex === cell[0] && now.map_ey === cell[1]) return at;
      if (now.map_sx !== state.map_sx || now.map_sy !== state.map_sy) break;
    }
    const now = await gameState(page);
    if (now.map_sx === state.map_sx && now.map_sy === state.map_sy)
      fail(`aimed where (${cell}) is drawn, the square is at (${now.map_ex},${now.map_ey})`);
  }
  fail(`the view did not stand still to aim at (${cell})`);
}

// The mouse over a scaled frame: the square the game puts under it is the
// one drawn there.
async function expectPointerOnSquare(page) {
  const box = await canvasBox(page);
  for (const [dx, dy] of [[5, 8], [-7, -3]]) {
    const [x, y] = execFileSync(driver, ['cell-pixel', dx, dy]).toString().split(' ').map(Number);
    await page.mouse.move(box.x + (x + 0.5) * box.width / Frame.width, box.y + (y + 0.5) * box.height / Frame.height);
    await passesGo(page, 2);
    const state = await gameState(page);
    if (state.map_ex - state.map_sx !== dx || state.map_ey - state.map_sy !== dy)
      fail(`the pointer over frame pixel ${x},${y} of a ${box.width} x ${box.height} frame is on square ` +
           `(${state.map_ex - state.map_sx},${state.map_ey - state.map_sy}) from the view, not (${dx},${dy})`);
  }
}

// Until the view and its zoom have stood still for a few passes: an arrow
// let go late (the page was busy) scrolls on for a while.
async function viewSettles(page) {
  let last = '', still = 0;
  for (let i = 0; i < 100 && still < 3; ++i) {
    const state = await gameState(page);
    const view = `${state.map_sx},${state.map_sy},${state.camera[0]}`;
    still = view === last ? still + 1 : 0;
    last = view;
    await passesGo(page, 2);
  }
}

// Taps an on-screen control with a second finger while the first aims.
async function tapControl(page, fingers, title, holdMs = 0) {
  await fingers.put(2, ...(await controlAt(page, title)));
  if (holdMs) await sleep(holdMs);
  await fingers.lift(2);
}

// A quick tap of a finger on the middle of a page element, scrolled into view.
async function tapElement(page, fingers, selector) {
  await page.$eval(selector, (e) => e.scrollIntoView({block: 'nearest'}));
  const box = await (await page.$(selector)).boundingBox();
  await fingers.put(8, box.x + box.width / 2, box.y + box.height / 2);
  await fingers.lift(8);
}

// Touch's own zoom range (README, "On a phone or tablet"), and how near its
// ends the page stops the zoom: it looks between the passes it draws, and a
// busy machine may run a few undrawn passes of 0.12 first.
const TouchZoom = {farthest: -37, nearest: -23, near: 0.37};

// The start (a clock second, the game's seed) among the first sixty the
// computer wins from soonest, left alone, as the simulator plays them.
function earlyLoss() {
  let best = {seed: 0, pass: Infinity};
  for (let seed = 1; seed <= 60; ++seed) {
    const dumps = execFileSync(sim, ['run', '--seed', seed, '--frames', 4000, '--dump-every', 100]).toString().trim().split('\n');
    const decided = dumps.findIndex((line) => JSON.parse(line).victory[1] === 1);
    if (decided >= 0 && decided < best.pass) best = {seed, pass: decided};
  }
  if (!best.seed) fail('the computer wins from none of the first sixty starts within 4000 passes');
  return best.seed;
}

// Download replay, in view, gives the game's replay, which the simulator
// plays to the final state the page showed.
async function expectDownloadReplays(page, state, press = () => page.click('#download-replay')) {
  await expectInView(page, '#download-replay', 'Download replay');
  await press();
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
  const pick = async (chosen) => {
    const [chooser] = await Promise.all([page.waitForFileChooser({timeout: 5000}), page.click('#watch-file')]);
    await chooser.accept([chosen]);
  };
  const choose = async (chosen = file) => {
    await pick(chosen);
    await waitFor(page, 'no question before the game is ended', () => document.getElementById('end-game').open, 10);
    const asked = await page.$eval('#end-game-text', (e) => e.textContent);
    if (asked !== `End this game and watch ${path.basename(chosen)}?`) fail(`the page asks "${asked}"`);
  };
  // The game reads the file before anything is asked: one it refuses (not a
  // replay; larger than the 16 MiB it reads, docs/replays.md) is told as the
  // simulator tells it, naming the player's file, and the game plays on.
  const Largest = 16 << 20;
  const replayOf = (size) => { const bytes = Buffer.alloc(size, 0xff); Buffer.from('VLDREPLY\x02\x00').copy(bytes); return bytes; };
  const over = path.join(work, 'over.replay'), atLimit = path.join(work, 'at-limit.replay');
  fs.writeFileSync(over, replayOf(Largest + 1));
  fs.writeFileSync(atLimit, replayOf(Largest).fill(0, Largest - 1));  // its end mark last
  for (const bad of [path.join(site, 'icon-192.png'), over]) {
    let said = '';
    try { execFileSync(sim, ['replay', bad], {stdio: ['ignore', 'ignore', 'pipe']}); } catch (e) { said = e.stderr.toString(); }
    const words = `valdorik: ${path.basename(bad)}: ${said.trim().split(bad + ': ')[1]}`;
    if (!said) fail(`the simulator takes ${bad}`);
    await pick(bad);
    await waitFor(page, `no word "${words}"`, (t) => document.getElementById('messages').textContent.includes(t), 10, words);
    if (await page.evaluate(() => document.getElementById('end-game').open || document.body.dataset.game !== 'running'))
      fail(`for ${path.basename(bad)} the page asks to end the game, or ends it`);
  }
  await choose(atLimit);
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

// The browser's own verdict on installing the site, its reading of the
// manifest, and the icons the manifest names: on the site, at their sizes.
async function expectInstallable(page) {
  const client = await page.createCDPSession();
  const {installabilityErrors} = await client.send('Page.getInstallabilityErrors');
  if (installabilityErrors.length) fail(`the site cannot be installed: ${JSON.stringify(installabilityErrors)}`);
  const {data, errors} = await client.send('Page.getAppManifest');
  if (errors.length) fail(`the manifest does not parse: ${JSON.stringify(errors)}`);
  const icons = JSON.parse(data).icons;
  for (const icon of icons) {
    const file = path.join(site, icon.src);
    if (!fs.existsSync(file)) fail(`the manifest names ${icon.src}, which the site does not have`);
    const png = fs.readFileSync(file);
    const size = `${png.readUInt32BE(16)}x${png.readUInt32BE(20)}`;
    if (size !== icon.sizes) fail(`${icon.src} is ${size}, the manifest says ${icon.sizes}`);
  }
  return icons.map((icon) => icon.sizes).join(' and ');
}

// Every cache of the origin, by name, with the site files it holds.
function keptCaches(page) {
  return page.evaluate(async () => {
    const kept = {};
    for (const name of await caches.keys())
      kept[name] = (await (await caches.open(name)).keys()).map((r) => new URL(r.url).pathname.slice(1)).sort();
    return kept;
  });
}

// Exactly one cache, the one named by `version`, holding every file of the
// site but the worker itself.
async function expectKeptWhole(page, version) {
  const files = fs.readdirSync(site).filter((f) => f !== 'service-worker.js').sort();
  const kept = await keptCaches(page);
  const names = Object.keys(kept);
  if (names.length !== 1 || !names[0].endsWith(' ' + version))
    fail(`the browser keeps the caches ${JSON.stringify(names)}, not the one of version ${version}`);
  if (kept[names[0]].join() !== files.join()) fail(`the cache holds ${kept[names[0]]}, the site ${files}`);
  return names[0];
}

// The service workers' states as the browser reports them (new, installing,
// installed, activating, activated, redundant), by version; the newest last.
async function watchWorkers(page) {
  const client = await page.createCDPSession();
  const states = new Map();
  client.on('ServiceWorker.workerVersionUpdated', (e) => {
    for (const v of e.versions) states.set(Number(v.versionId), v.status);
  });
  await client.send('ServiceWorker.enable');
  return () => [...states.keys()].sort((a, b) => a - b).map((id) => states.get(id));
}

// A next build on the server: the worker of version `next`, and a changed page.css.
function serveNextBuild(versionLine, next) {
  const folder = path.join(work, 'next');
  fs.mkdirSync(folder);
  const worker = fs.readFileSync(path.join(site, 'service-worker.js'), 'utf8');
  fs.writeFileSync(path.join(folder, 'service-worker.js'), worker.replace(versionLine, `const Version = '${next}';`));
  const css = fs.readFileSync(path.join(site, 'page.css'), 'utf8');
  fs.writeFileSync(path.join(folder, 'page.css'), css + '/* next */\n');
  served['/service-worker.js'] = path.join(folder, 'service-worker.js');
  served['/page.css'] = path.join(folder, 'page.css');
}

// waitFor after a navigation: firefox may leave a waited-for function on
// the document the page left, where it never comes true; looked at from node,
// each look reads the page as it is now.
async function waitAfterGoing(page, what, test, seconds) {
  for (const end = Date.now() + seconds * 1000; !(await page.evaluate(test).catch(() => false));) {
    if (Date.now() > end) fail(`${what} within ${seconds} s; page says: ${await page.$eval('#messages', (m) => m.textContent)}`);
    await sleep(100);
  }
}

async function waitInNode(what, test, seconds) {
  for (const end = Date.now() + seconds * 1000; !test();) {
    if (Date.now() > end) fail(`${what} within ${seconds} s`);
    await sleep(100);
  }
}

// ---- A versus game: the page against a Linux or Windows window, through the real relay ----
// Processes the case starts, killed when it ends, pass or fail.
const started = [];
function startProcess(command, args, options = {}) {
  const child = spawn(command, args, {stdio: ['ignore', 'pipe', 'pipe'], ...options});
  child.out = '';
  child.err = '';
  child.stdout?.on('data', (d) => { child.out += d; });
  child.stderr?.on('data', (d) => { child.err += d; });
  child.ended = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  started.push(child);
  return child;
}

// An X display of its own for the Linux game (tests/window/xvfb.sh's way).
async function startDisplay() {
  const xvfb = startProcess('Xvfb', ['-displayfd', '3', '-screen', '0', '1024x768x24', '-nolisten', 'tcp', '-noreset'],
                            {stdio: ['ignore', 'ignore', 'pipe', 'pipe']});
  let number = '';
  xvfb.stdio[3].on('data', (d) => { number += d; });
  await waitInNode('no X display', () => number.includes('\n'), 10);
  return {...process.env, DISPLAY: `:${number.trim()}`, DBUS_SESSION_BUS_ADDRESS: 'disabled:', SDL_AUDIODRIVER: 'dummy',
          XDG_DATA_HOME: path.join(work, 'data')};
}

// The page counts what it sends on its WebSockets (the game's link is its only one).
function countWebSocketSends() {
  window.sent = {messages: 0, bytes: 0};
  const send = WebSocket.prototype.send;
  WebSocket.prototype.send = function(data) {
    ++window.sent.messages;
    window.sent.bytes += data.byteLength ?? data.length;
    return send.call(this, data);
  };
}

// A browser holds a hidden tab's timers back to a wake-up a second (or
// rarer); puppeteer's chromium does not, so the page is given that here.
function throttleHiddenTimers() {
  const plain = window.setTimeout;
  window.setTimeout = (f, ms, ...args) => plain(f, document.hidden ? Math.max(ms || 0, 1000) : ms, ...args);
}

// The real relay, on a port free here (its `port`).
async function startRelay(relay) {
  const run = startProcess(relay, ['--port', '0']);
  await waitInNode('the relay did not start', () => /listening on port \d+/.test(run.out), 10);
  run.port = /listening on port (\d+)/.exec(run.out)[1];
  return run;
}

// The page opens a room by Play with a friend: the code it shows, and the link to send checked.
async function hostOnPage(server, port) {
  const {browser, page} = await openPage(server, `?relay=127.0.0.1:${port}&dump-final=1`,
                                         `(${countWebSocketSends})(); (${throttleHiddenTimers})();`);
  await waitFor(page, 'no frames presented', () => Module.framesPresented > 10, 30);
  await page.click('#play-friend');
  await waitFor(page, 'no room code shown', () => /^Room [A-Z]{9}:/.test(document.getElementById('room-text').textContent), 10);
  const room = await page.evaluate(() => [document.getElementById('room-text').textContent, document.getElementById('room-link').href]);
  const code = room[0].slice(5, 14);
  if (new URL(room[1]).search !== `?join=${code}&relay=127.0.0.1%3A${port}`) fail(`the link to send is ${room[1]}`);
  return {browser, page, code};
}

// The window_driver on the window's display: run to its end, or (later) a promise of its status.
function windowDriver(driverPath, gameFolder, display) {
  const onWindow = (...args) => execFileSync(driverPath, args, {cwd: gameFolder, env: display}).toString().trim();
  onWindow.later = (...args) => new Promise((resolve) =>
    spawn(driverPath, args, {cwd: gameFolder, env: display, stdio: 'ignore'}).on('exit', resolve));
  return onWindow;
}

const turn = (page) => page.evaluate(() => JSON.parse(Module.UTF8ToString(Module._WebStateDump())).pass);

// Both players at once: a burst on the window, the page's keys and clicks;
// the round trip each tells meanwhile.
async function playBoth(page, onWindow, windowGame) {
  const burst = onWindow.later('burst', 'VALDORIK', '20261211', '6', path.join(work, 'window.burst'));
  await someInput(page);
  const roundTrip = await page.evaluate(() => JSON.parse(Module.UTF8ToString(Module._WebFacts())).round_trip);
  const windowSays = onWindow('read-line', 'connection');
  if (await burst !== 0) fail(`the window's burst failed: ${windowGame.err}`);
  return {roundTrip, windowSays};
}

// The player in SEAT leaves with Escape (by `leave`): the page shows the
// window's final state, its replay is the window's byte for byte, and the
// simulator plays it to that state.
async function expectSameEnd(page, windowGame, windowDump, windowReplay, seat, leave) {
  await leave();
  const state = await finalState(page, 20);
  if (await Promise.race([windowGame.ended, sleep(15000).then(() => 'still running')]) !== 0)
    fail(`the window's game did not end well: ${windowGame.err}`);
  if (state !== fs.readFileSync(windowDump, 'utf8')) fail(`the page and the window ended in different states`);
  if (!state.includes(`"left_by":${seat},`)) fail(`the final state does not say seat ${seat} left`);
  await expectDownloadReplays(page, state);
  if (!fs.readFileSync(downloaded()).equals(fs.readFileSync(windowReplay))) fail('the page\'s replay differs from the window\'s');
  return state;
}

const cases = {
  // The game shows its floor and title, also when the browser refuses it
  // storage: it plays on, says so in the desktop's words, and still offers
  // its replay for download when Escape ends it; every frame it presents
  // gets a screen update; hidden, it goes on without animation frames; it
  // pauses and goes on; the page tells where the keys are.
  async page(server) {
    const refuse = () => {
      indexedDB.open = () => { throw new DOMException('The quota has been exceeded.', 'QuotaExceededError'); };
      Storage.prototype.setItem = () => { throw new DOMException('The quota has been exceeded.', 'QuotaExceededError'); };
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
    const screen = await expectScreenUpdatesBetweenPresents(page);
    const hidden = await expectPresentsWhileHidden(browser, page);
    // Hidden, the tab may never come back: the page tried to copy the game for that, and says it could not.
    const copy = await page.$eval('#messages', (m) => [...m.children].map((e) => e.textContent).find((t) => t.includes('copied')) || '');
    // With storage refused as well, nothing is kept if the tab closes, and the page claims nothing.
    if (engine === 'chromium' && copy !== 'valdorik: this game is not copied for a tab that closes: The quota has been exceeded.')
      fail(`of the refused copy the page says "${copy}"`);
    const pause = await expectPausedPicture(page);
    const keys = await expectKeysTold(page);
    await page.keyboard.press('Escape');
    await waitFor(page, 'no end panel after Escape', () => !document.getElementById('end-panel').hidden, 10);
    await expectDownloadReplays(page, await finalState(page, 10));
    await browser.close();
    return `floor and title drawn in the canvas; ${shown.split('\n')[0]}; ${screen}; ${hidden}; ${pause}; ${keys}; its replay downloaded`;
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

  // A phone held sideways, touch alone: the frame uses the full height with
  // the controls beside it; the view jumps and scrolls, a creature is
  // recruited and ordered, a tap selects the leader, the view zooms, the game
  // pauses, goes on and ends; the downloaded replay ends, through the
  // simulator, in the page's final state.
  async touch(server) {
    const {browser, page} = await openPage(server, '?dump-final=1', null, Phone);
    await waitFor(page, 'no frames presented', () => Module.framesPresented > 10, 30);
    const box = await canvasBox(page);
    if (Math.abs(box.height - Phone.height) > 1 || Math.abs(box.width / box.height - 4 / 3) > 0.01)
      fail(`the frame is ${box.width} x ${box.height} on a ${Phone.width} x ${Phone.height} phone`);
    const controls = await page.$$eval('#controls button', (all) => all.map((b) => b.getBoundingClientRect().toJSON()));
    for (const c of controls) {
      if (c.width < 44 || c.height < 44) fail(`a control is ${c.width} x ${c.height} CSS pixels`);
      if (c.x < box.x + box.width && c.x + c.width > box.x && c.y < box.y + box.height) fail('a control covers the frame');
      if (c.y + c.height > Phone.height) fail(`a control is below the screen's edge (${c.y + c.height})`);
    }
    const unknown = await page.$$eval('#controls button:disabled', (all) => all.map((b) => b.textContent));
    if (unknown.length) fail(`controls name keys the game does not have: ${unknown.join(', ')}`);
    const fingers = touchPad(await page.createCDPSession());
    await fingers.put(1, box.x + box.width / 2, box.y + box.height / 2);
    const leader = (await gameState(page)).units[0];
    const toLeader = async () => {  // the view ten cells short of the leader, then a cell right
      await tapControl(page, fingers, 'The view to your first unit');  // held a while, for the game to see it
      await waitFor(page, 'no view jump from Your unit', (x, y) => {
        const view = JSON.parse(Module.UTF8ToString(Module._WebStateDump()));
        return view.map_sx === x && view.map_sy === y;
      }, 10, leader[2] - 10, leader[3] - 10);
      await waitFor(page, 'Your unit stays held', () => !document.querySelector('#controls .held'), 10);
      await tapControl(page, fingers, 'Scroll right');  // a cell or more: the page may be slow to lift the finger
      await viewSettles(page);
      const view = await gameState(page);
      if (view.map_sx <= leader[2] - 10 || view.map_sy !== leader[3] - 10)
        fail(`Scroll right left the view at (${view.map_sx},${view.map_sy}), the leader at (${leader.slice(2, 4)})`);
    };
    await toLeader();

    // Recruit: aim at an easily won creature in view and tap Select, a try
    // or two each; with none in view, the arrows go towards the nearest.
    const odds = new Map();  // by creature type
    const easy = (u) => {
      if (!odds.has(u[10])) odds.set(u[10], Number(execFileSync(driver, ['recruit-odds', u[10]]).toString()));
      return odds.get(u[10]) <= 8;
    };
    let tries = 0, won;
    for (let round = 0; round < 90; ++round) {
      const view = await gameState(page);
      // Two creatures on the aimed square may both be won in one frame; the later one is selected.
      const mine = view.units.filter((u) => u[1] === Owner.player && u[0] !== leader[0]);
      won = mine.find((u) => u[0] === view.selected_unit) ?? mine[0];
      if (won) break;
      const far = (u) => Math.abs(u[2] - view.map_sx) + Math.abs(u[3] - view.map_sy);
      const wanted = view.units.filter((u) => u[1] === Owner.neutral && u[11] === 1 && easy(u)).sort((a, b) => far(a) - far(b));
      const creature = wanted.find((u) => inView(view, u.slice(2, 4)));
      if (creature && (await aimAt(page, fingers, creature.slice(2, 4)))) {
        const gold = (await gameState(page)).units[0][13];
        await tapControl(page, fingers, 'Left button');
        await passesGo(page, 2);
        if ((await gameState(page)).units[0][13] < gold) ++tries;  // it may have walked on meanwhile
        continue;
      }
      if (creature) continue;
      const dx = wanted[0][2] - view.map_sx, dy = wanted[0][3] - view.map_sy;
      await tapControl(page, fingers, Math.abs(dx) > Math.abs(dy) ? (dx > 0 ? 'Scroll right' : 'Scroll left')
                                                                  : (dy > 0 ? 'Scroll up' : 'Scroll down'));
      await viewSettles(page);
    }
    const recruited = await gameState(page);
    if (!won) fail(`no creature recruited by touch in ${tries} tries; ${recruited.units[0][13]} gold left`);
    if (recruited.selected_unit !== won[0]) fail(`the recruited creature is not selected: ${recruited.selected_unit}`);
    await expectSelectedTold(page, '');
    const creature = won;

    // Order: a quick tap on empty ground beside it moves it there. A creature
    // wandering onto the square just before the tap takes the tap instead:
    // then ours is tapped to be selected again, and the next square tried.
    const tapAtCell = async (cell) => {
      const at = await aimAt(page, fingers, cell);
      if (!at) return false;
      await fingers.lift(1);
      await Promise.all([fingers.put(9, ...at), fingers.lift(9)]);
      await passesGo(page, 5);
      await fingers.put(1, ...at);
      return true;
    };
    let ordered = null;
    for (const [dx, dy] of [[2, 1], [-2, 1], [1, 3], [-1, 3], [0, -2]]) {
      const cell = [won[2] + dx, won[3] + dy];
      if ((await gameState(page)).units.some((u) => u[2] === cell[0] && u[3] === cell[1])) continue;
      if (!(await tapAtCell(cell))) continue;
      const after = await gameState(page);
      const goal = after.units.find((v) => v[0] === creature[0]).slice(4, 6);
      if (goal[0] === cell[0] && goal[1] === cell[1]) { ordered = cell; break; }
      if (!after.units.some((u) => u[2] === cell[0] && u[3] === cell[1]))
        fail(`ordered by touch to (${cell}), the creature's goal is (${goal})`);
      await tapAtCell(after.units.find((v) => v[0] === creature[0]).slice(2, 4));
    }
    if (!ordered) fail('no cell beside the recruited creature in view');
    const goal = (await gameState(page)).units.find((v) => v[0] === creature[0]).slice(4, 6);
    if (goal[0] !== ordered[0] || goal[1] !== ordered[1])
      fail(`ordered by touch to (${ordered}), the creature's goal is (${goal})`);

    // The fingers' swipes over the canvas were the game's: the page did not scroll.
    const scrolled = await page.evaluate(() => window.scrollY);
    if (scrolled !== 0) fail(`swipes over the canvas scrolled the page by ${scrolled} pixels`);

    // A tap, its press and release in one instant, on the leader selects it.
    await toLeader();
    const tapAt = await aimAt(page, fingers, leader.slice(2, 4));
    await fingers.lift(1);
    await Promise.all([fingers.put(9, ...tapAt), fingers.lift(9)]);
    await passesGo(page, 3);
    const tapped = await gameState(page);
    if (tapped.selected_unit !== 0)
      fail(`a tap on the leader at (${leader.slice(2, 4)}) selected ${tapped.selected_unit}, at (${tapped.map_ex},${tapped.map_ey})`);
    await expectSelectedTold(page, 'Mage');

    // Two fingers pinch and drag the view and order nothing; the Zoom controls stop at touch's zoom range.
    const orders = (s) => JSON.stringify([s.selected_unit, s.units.filter((u) => [creature[0], leader[0]].includes(u[0]))
      .map((u) => u.slice(4, 6))]);
    const view = (s) => `(${s.map_sx},${s.map_sy}) at zoom ${s.camera[0]}`;
    const twoFingers = async (from, to) => {  // each finger's offset across from the frame's middle, in 5 steps
      const at = (f, k) => [box.x + box.width / 2 + from[f] + (to[f] - from[f]) * k / 5, box.y + box.height / 2];
      await fingers.put(1, ...at(0, 0));
      await fingers.put(2, ...at(1, 0));
      for (let k = 1; k <= 5; ++k) for (const f of [0, 1]) await fingers.move(f + 1, ...at(f, k));
      await fingers.lift(2);
      await fingers.lift(1);
      await viewSettles(page);
      return gameState(page);
    };
    const unpinched = await gameState(page);
    const pinched = await twoFingers([-40, 40], [-100, 100]);
    const dragged = await twoFingers([-60, 60], [40, 160]);
    const across = pinched.map_sx - dragged.map_sx;
    if (Math.abs(pinched.camera[0] - TouchZoom.nearest) > TouchZoom.near || across < 3 || across > 7 ||
        dragged.map_sy !== pinched.map_sy || dragged.camera[0] !== pinched.camera[0] || orders(dragged) !== orders(unpinched))
      fail(`a pinch apart, then a drag 100 px right, took the view from ${view(unpinched)} to ${view(pinched)}, then ` +
           `${view(dragged)}; the selection and goals ${orders(unpinched)} became ${orders(dragged)}`);
    const zoomHeld = async (title, end) => {  // and held on half a second past it
      await fingers.put(2, ...(await controlAt(page, title)));
      const from = {ms: Date.now(), pass: (await gameState(page)).pass};
      const way = Math.sign(end - (await gameState(page)).camera[0]);
      await waitFor(page, `${title} did not reach ${end}`, (end, way) =>
        (end - JSON.parse(Module.UTF8ToString(Module._WebStateDump())).camera[0]) * way < 0.07, 20, end, way);
      const took = `${Date.now() - from.ms} ms, ${(await gameState(page)).pass - from.pass} passes`;
      await sleep(500);
      await fingers.lift(2);
      const zoom = (await gameState(page)).camera[0];
      if (Math.abs(zoom - end) > TouchZoom.near) fail(`${title} held on took the zoom past ${end}, to ${zoom}`);
      return took;
    };
    await zoomHeld('Zoom out', TouchZoom.farthest);
    const zoomAcross = await zoomHeld('Zoom in', TouchZoom.nearest);

    // A finger on the help text under the controls leaves the keys, and the Spin latch, with the game;
    // New game and End ask first, and Keep playing keeps the game and the latch.
    const keysKept = async (after) => {
      const kept = await page.evaluate(() => [document.activeElement.id, document.getElementById('keys-hint').hidden,
                                              document.querySelector('[data-latch="Space"]').ariaPressed].join());
      if (kept !== 'canvas,true,true') fail(`after ${after}: the focus on, the keys hint hidden, Spin on: ${kept}`);
    };
    await tapElement(page, fingers, '#controls [data-latch="Space"]');
    await tapElement(page, fingers, '#touch-help');
    await sleep(300);
    await keysKept('a tap on the help text');
    const frame = (await gameState(page)).frame;
    await tapElement(page, fingers, '#controls [data-key="F1"]');
    await waitFor(page, 'New game did not ask first', () => document.getElementById('touch-ask').open, 10);
    const answers = await page.$$eval('#touch-ask button', (all) => all.map((b) => b.getBoundingClientRect().toJSON()));
    if (answers.some((b) => b.width < 44 || b.height < 44)) fail(`an answer is under 44 CSS px: ${JSON.stringify(answers)}`);
    await tapElement(page, fingers, '#touch-ask button[value="keep"]');
    await passesGo(page, 5);
    if ((await gameState(page)).frame < frame) fail('Keep playing started a new game');
    await keysKept('Keep playing');
    await tapElement(page, fingers, '#controls [data-latch="Space"]');

    await tapControl(page, fingers, 'Pause');
    await waitFor(page, 'no pause from the Pause control', () => !document.getElementById('paused').hidden, 10);
    await tapControl(page, fingers, 'Pause');
    await waitFor(page, 'the pause stays after Pause again', () => document.getElementById('paused').hidden, 10);

    await tapElement(page, fingers, '#controls [data-key="Escape"]');
    await waitFor(page, 'End did not ask first', () => document.getElementById('touch-ask').open, 10);
    await tapElement(page, fingers, '#touch-ask-yes');
    await waitFor(page, 'no end panel after End', () => !document.getElementById('end-panel').hidden, 10);
    const state = await finalState(page, 10);
    await expectDownloadReplays(page, state, () => page.tap('#download-replay'));
    await browser.close();
    return `recruited creature ${creature[0]} in ${tries} tries, ordered it to (${ordered}) and selected the leader ` +
           `with taps; a pinch zoomed to ${pinched.camera[0]}, two fingers panned ${across} cells, no order; ` +
           `Zoom in across ${TouchZoom.farthest}..${TouchZoom.nearest} in ${zoomAcross}; ` +
           `New game and End asked; the touch game's replay ends in the page's final state`;
  },

  // A finger acts on the cell drawn under it, on a phone held sideways and
  // upright (the camera turned and tilted): at 25 places over the frame the
  // square goes to the cell the test's own projection finds drawn there, a
  // unit's picture or the floor, and is seen under the finger; beyond the
  // grid it stops at the edge and the inset says so. The selected unit is
  // marked over the frame; a creature tapped on its body gets a recruit try.
  async aim(server) {
    const figures = [];
    for (const screen of [{...Phone}, {...Phone, width: Phone.height, height: Phone.width}]) {
      const upright = screen.height > screen.width;
      const {browser, page} = await openPage(server, '', null, screen);
      await waitFor(page, 'no frames presented', () => Module.framesPresented > 10, 30);
      const fingers = touchPad(await page.createCDPSession());
      if (upright) {
        await page.focus('#canvas');
        await page.keyboard.down('Shift');
        for (const [key, ms] of [['ArrowRight', 500], ['ArrowUp', 400]]) {
          await page.keyboard.down(key);
          await sleep(ms);
          await page.keyboard.up(key);
        }
        await page.keyboard.up('Shift');
      }
      const camera = (await gameState(page)).camera;
      figures.push(`${upright ? 'upright' : 'sideways'}, camera ${camera}: ${await expectAimsOnDrawnCells(page, fingers)}`);
      await expectSelectedMarked(page);
      if (upright) figures.push(await expectCreatureTappedOnItsBody(page, fingers));
      if (page.messages.length) fail(page.messages.join('; '));
      await browser.close();
    }
    return figures.join('; ');
  },

  // Fullscreen keeps the frame at 4:3 with black bars, on a laptop's screen
  // and on a phone either way round (judged from the floor's extent in the
  // picture); Escape there leaves fullscreen and the game plays on.
  async fullscreen(server) {
    const laptop = {width: 1366, height: 768};
    const phones = [{...Phone}, {...Phone, width: Phone.height, height: Phone.width}];
    // Firefox takes a phone's viewport but not its touch (puppeteer's touch fails there).
    const screens = engine === 'firefox' ? [laptop] : [laptop, ...phones];
    const seen = [];
    for (const screen of screens) {
      const {browser, page} = await openPage(server, '', null, screen);
      await waitFor(page, 'no frames presented', () => Module.framesPresented > 10, 30);
      if (screen.hasTouch && screen.height > screen.width) {  // a phone upright: the frame full width, controls below
        const frame = await canvasBox(page), controls = await (await page.$('#controls')).boundingBox();
        if (Math.abs(frame.width - screen.width) > 1 || controls.y < frame.y + frame.height - 1)
          fail(`upright, the frame is ${frame.width} wide on a ${screen.width} screen, the controls from ${controls.y}`);
      }
      await (screen.hasTouch ? page.tap('#fullscreen') : page.click('#fullscreen'));
      await waitFor(page, 'no fullscreen', () => document.fullscreenElement !== null, 10);
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
      const png = path.join(work, 'screen.png');
      await page.screenshot({path: png});
      const [width, height] = execFileSync('identify', ['-format', '%w %h', png]).toString().split(' ').map(Number);
      const rgb = execFileSync('convert', [png, '-depth', '8', 'rgb:-'], {maxBuffer: 1 << 26});
      const lit = (x, y) => { const i = (y * width + x) * 3; return rgb[i] + rgb[i + 1] + rgb[i + 2] > 60; };
      // The canvas is 4:3; the floor reaches its left, right and bottom
      // edges, so the picture fills it; the bars before it are black.
      const box = await canvasBox(page);
      const [x0, y0, x1, y1] = [box.x, box.y, box.x + box.width, box.y + box.height].map(Math.round);
      const where = `fullscreen on ${width} x ${height}, the frame at ${x0},${y0} to ${x1},${y1}`;
      if (Math.abs(box.width / box.height - 4 / 3) > 0.01) fail(`${where} is not 4:3`);
      if (x1 > width || y1 > height || (x0 > 1 && y0 > 1)) fail(`${where} does not fill the screen one way`);
      const litRows = (x) => { let n = 0; for (let y = y0; y < y1; ++y) n += lit(x, y); return n; };
      let bottom = 0;
      for (let x = x0; x < x1; ++x) bottom += lit(x, y1 - 2);
      if (litRows(x0 + 1) < 10 || litRows(x1 - 2) < 10 || bottom < 10) fail(`${where}: the picture does not fill it`);
      // Scaled crisp, each frame row is repeated whole: 480 rows over more screen rows repeat one
      // in so many; smoothed, neighbouring rows of the textured floor never match.
      const rowBytes = (y) => rgb.subarray((y * width + x0) * 3, (y * width + x1) * 3);
      let repeated = 0;
      for (let y = y0 + 1; y < y1; ++y) repeated += Buffer.compare(rowBytes(y), rowBytes(y - 1)) === 0;
      const expected = (y1 - y0) - Frame.height;
      if (expected > 0 && repeated < 0.9 * expected) fail(`${where}: ${repeated} rows repeat, not ${expected}: not crisp`);
      for (let y = 0; y < height; ++y)
        for (let x = 0; x < width; ++x)
          if ((x < x0 - 1 || y < y0 - 1) && lit(x, y)) fail(`${where}: lit at ${x},${y} before the frame`);
      seen.push(`${width} x ${height}: ${x1 - x0} x ${y1 - y0}`);
      if (!screen.hasTouch) {
        await expectPointerOnSquare(page);
        await page.keyboard.press('Escape');
        await waitFor(page, 'fullscreen stays after Escape', () => document.fullscreenElement === null, 10);
        await sleep(500);
        if (!(await page.evaluate(() => document.body.dataset.game === 'running' && document.getElementById('end-panel').hidden)))
          fail('Escape in fullscreen ended the game');
        // Alt+Enter, which the help page names, switches fullscreen as on the desktop.
        for (const [wanted, why] of [[true, 'no fullscreen after Alt+Enter'], [false, 'fullscreen stays after Alt+Enter']]) {
          await page.keyboard.down('Alt');
          await page.keyboard.press('Enter');
          await page.keyboard.up('Alt');
          await waitFor(page, why, (on) => (document.fullscreenElement !== null) === on, 10, wanted);
        }
      }
      await browser.close();
    }
    const notRun = engine === 'firefox' ? '; not run here: the phones (no touch emulation in firefox)' : '';
    return `4:3 in fullscreen: ${seen.join(', ')}; Escape there only left fullscreen; Alt+Enter switched it${notRun}`;
  },

  // A reload mid-game loses nothing: the stored game reaches the pass the
  // game had just before, and, at the limit of 50 games kept (from a clock
  // set ahead, so by name the games played here are the oldest), neither it
  // nor the new game goes. Watched, it says beside the frame where it stops;
  // Go on plays on from there, and the continued game's replay ends, through
  // the simulator, in the page's final state.
  async reload(server) {
    const {browser, page} = await openPage(server, '?dump-final=1');
    await waitFor(page, 'no frames presented', () => Module.framesPresented > 10, 30);
    const later = Array.from({length: 50}, (_, i) => `2099-01-01_00-00-${String(i).padStart(2, '0')}.vrp`);
    await storage(page, {put: later, bytes: [...Buffer.from('VLDREPLY\x02\x00\x80\x00', 'latin1')]});
    const listed = (n) => waitFor(page, `not ${n} games played here listed`, (n) => [...document.querySelectorAll('#replay-list li')]
      .filter((li) => !li.firstChild.textContent.startsWith('2099')).length === n, 10, n);
    const told = () => page.evaluate(() => ['status', 'messages'].map((id) => document.getElementById(id).textContent));
    await someInput(page);
    await listed(1);
    const [played] = (await storage(page)).names.filter((name) => !later.includes(name));
    // Stored once more, then IndexedDB takes nothing, as when the tab goes first: the last passes come
    // through the page's copy. Between two of the writer's pushes (every 64 passes) and with no input,
    // that copy holds more passes than the game stored in no more bytes.
    await waitFor(page, 'no pass just after a push', () => (JSON.parse(Module.UTF8ToString(Module._WebStateDump())).pass - 4) % 64 < 12, 10);
    await page.evaluate(async () => {
      dispatchEvent(new Event('pagehide'));
      await new Promise((resolve) => setTimeout(resolve, 100));
      IDBObjectStore.prototype.put = () => { throw new DOMException('Gone', 'AbortError'); };
    });
    const before = (await gameState(page)).pass;
    await page.reload();
    await waitFor(page, 'no offer to go on', () => !document.getElementById('go-on').hidden, 30);
    const stored = path.join(work, 'interrupted.bin');
    fs.writeFileSync(stored, Buffer.from((await storage(page, {read: played})).bytes));
    const cutAt = JSON.parse(simReplay(stored)).pass;
    if (cutAt < before) fail(`the stored game stops at pass ${cutAt}; the game had played ${before} before the reload`);
    await listed(2);
    const kept = (await storage(page)).names;
    const fresh = kept.find((name) => !later.includes(name) && name !== played);
    if (kept.join() !== [...later.slice(2), played, fresh].sort().join()) fail(`at the limit the page keeps ${kept}`);
    const offer = await (await page.$('#go-on')).boundingBox();
    if (offer.height < 44) fail(`Go on is ${offer.height} CSS pixels high`);

    await page.evaluate((name) => [...document.querySelectorAll('#replay-list li')]
      .find((li) => li.firstChild.textContent === name).querySelectorAll('button')[1].click(), played);
    await waitFor(page, 'no question before the game is ended', () => document.getElementById('end-game').open, 10);
    await page.click('#end-and-watch');
    await waitFor(page, 'not watched', () => document.getElementById('status').textContent.startsWith('Watching'), 10);
    const watching = await told();
    if (!watching[0].includes(`interrupted at pass ${cutAt}`) || watching[1]) fail(`watching it, the page says ${watching}`);
    await waitFor(page, 'the replay does not end', () => document.getElementById('end-text').textContent === 'The replay is over.', 60);
    await page.click('#go-on');
    await waitFor(page, 'the game does not go on', () => document.getElementById('status').textContent.includes('goes on'), 30);
    const goingOn = await told();
    if (!goingOn[0].includes(`from pass ${cutAt}`) || goingOn[1]) fail(`going on, the page says ${goingOn}`);
    await someInput(page);
    await page.keyboard.press('Escape');
    await expectDownloadReplays(page, await finalState(page, 20));
    await browser.close();
    return `stored up to pass ${cutAt} of ${before}+; ${kept.length} kept at the limit; "${watching[0]}"; "${goingOn[0]}"; the continued game downloaded`;
  },

  // Every layout of the page, phones to a desktop: every button at least
  // 44 CSS pixels and none over the frame; the facts readable (14 CSS pixels
  // or more) and telling the game's gold, on a desktop its last too as the
  // game ends; on touch screens the frame, the facts and the controls fill
  // most of the screen, every control is whole on it, and the page's words
  // name no key. A phone held sideways never scrolls the page, fullscreen or
  // not, and brings every control into view in its own column.
  async layout(server) {
    const layouts = [
      {name: 'a desktop', width: 1366, height: 768},
      {...Phone, name: 'a phone sideways', sideways: true},
      {...Phone, name: 'a phone upright', width: Phone.height, height: Phone.width},
      {...Phone, name: 'a tablet sideways', width: 1024, height: 768},
      {...Phone, name: 'a large tablet sideways', width: 1366, height: 1024},
      {...Phone, name: 'a tablet upright', width: 768, height: 1024},
      {...Phone, name: 'a large tablet upright', width: 1024, height: 1366},
    ];
    // A start (the clock's second) with a mine within the pointer's reach.
    const {browser, page} = await openPage(server, '', 'Date.now = () => 3000;', layouts[0]);
    const namesKeys = /Escape|F1|\bP\b|Click|Drop/;
    const seen = [];
    for (const {name, sideways, ...screen} of layouts) {
      await page.setViewport(screen);
      await page.reload();
      await waitFor(page, `no facts on ${name}`, () => !document.getElementById('facts').hidden, 30);
      // Games stored by the loads before: their buttons are measured too.
      if (seen.length) await waitFor(page, `no stored game listed on ${name}`, () => !!document.querySelector('#replay-list button'), 10);
      await waitFor(page, `the gold told on ${name} is not the game's`, () => {
        const gold = JSON.parse(Module.UTF8ToString(Module._WebStateDump())).units.find((u) => u[0] === 0)[13];
        return Math.abs(Number(document.getElementById('fact-gold').textContent) - gold) < 1;
      }, 10);
      await page.evaluate(() => document.activeElement?.blur());
      await waitFor(page, `no hint with the keys away on ${name}`, () => !document.getElementById('keys-hint').hidden, 5);
      const got = await page.evaluate(() => {
        const box = (e) => e.getBoundingClientRect();
        const frame = box(document.getElementById('canvas'));
        const over = (r) => r.left < frame.right && r.right > frame.left && r.top < frame.bottom && r.bottom > frame.top;
        const shown = [...document.querySelectorAll('button')].filter((b) => b.checkVisibility());
        const inView = (r) => Math.max(0, Math.min(r.right, innerWidth) - Math.max(r.left, 0)) *
                              Math.max(0, Math.min(r.bottom, innerHeight) - Math.max(r.top, 0));
        const filled = ['stage', 'facts', 'controls', 'bar'].map((id) => inView(box(document.getElementById(id))));
        return {
          small: shown.map((b) => [b.textContent, box(b)]).filter(([, r]) => r.width < 44 || r.height < 44)
            .map(([t, r]) => `${t} ${r.width} x ${r.height}`),
          over: [...shown, ...document.querySelectorAll('#facts, #bar, #replays')].filter((e) => over(box(e)))
            .map((e) => e.id || e.textContent),
          away: shown.filter((b) => b.closest('#controls') && inView(box(b)) < box(b).width * box(b).height - 50)
            .map((b) => b.textContent),
          filled: filled.reduce((a, b) => a + b) / (innerWidth * innerHeight),
          font: parseFloat(getComputedStyle(document.getElementById('facts')).fontSize),
          words: ['keys-hint', 'status', 'touch-help', 'replays'].map((id) => document.getElementById(id).innerText).join(' '),
          buttons: shown.length,
        };
      });
      await page.focus('#canvas');
      const where = `on ${name} (${screen.width} x ${screen.height})`;
      if (got.small.length) fail(`${where} buttons are smaller than 44 x 44: ${got.small.join(', ')}`);
      if (got.over.length) fail(`${where} these lie over the frame: ${got.over.join(', ')}`);
      if (got.away.length) fail(`${where} these controls are not whole on the screen: ${got.away.join(', ')}`);
      if (got.font < 14) fail(`${where} the facts are ${got.font} CSS pixels`);
      if (screen.hasTouch && got.filled < 0.8) fail(`${where} the frame, facts and controls fill ${got.filled.toFixed(2)} of the screen`);
      if (!!screen.hasTouch === namesKeys.test(got.words)) fail(`${where} the page says "${got.words}"`);
      if (sideways) {
        await expectEveryControlInReach(page, where);
        await page.tap('#fullscreen');
        await waitFor(page, 'no fullscreen', () => document.fullscreenElement !== null, 10);
        await expectEveryControlInReach(page, `${where} in fullscreen`);
        await page.evaluate(() => document.exitFullscreen());
      }
      seen.push(`${name}: ${got.buttons} buttons, ${Math.round(got.filled * 100)}% filled` +
                (screen.hasTouch ? '' : `, ${await expectFactsAtEnd(page)}`));
      if (seen.length === 1) await sleep(2500);  // the game is stored for the next loads to list
    }
    await browser.close();
    return seen.join('; ');
  },

  // Left alone, the computer wins: the page says so beside the frame, the
  // game plays on behind until the player goes on, and Download replay ends
  // it, giving the whole game. The clock is fixed on a start the computer
  // wins early from (the simulator finds it).
  async outcome(server) {
    const seed = earlyLoss();
    const {browser, page} = await openPage(server, '?dump-final=1', `Date.now = () => ${seed} * 1000;`);
    await waitFor(page, 'no panel for the decided game', () => !document.getElementById('end-panel').hidden, 240);
    const told = await page.evaluate(() => ({
      panel: document.getElementById('end-text').textContent, status: document.getElementById('status').textContent,
      running: document.body.dataset.game, victory: JSON.parse(Module.UTF8ToString(Module._WebStateDump())).victory}));
    if (told.panel !== 'The computer won' || !told.status.startsWith('Lost') || told.running !== 'running')
      fail(`decided ${JSON.stringify(told.victory)}, the page says ${JSON.stringify(told)}`);
    await page.click('#download-replay');  // ends the game, whose final state then shows
    await expectDownloadReplays(page, await finalState(page, 20), async () => {});
    await browser.close();
    return `${told.panel}; status "${told.status}"; the whole game downloaded`;
  },

  // Play with a friend: the page opens a room on the real relay and a Linux
  // window joins it by the code the page shows; each is driven by its own
  // player. Hidden behind another tab, with its timers held to one a second,
  // the page keeps the game going at the clock's pace. The window leaves
  // with Escape: the page shows the window's final state, its replay is the
  // window's byte for byte, and the simulator plays it to that state.
  async versus(server) {
    const [driverPath, relay, game, gameFolder] = rest.map((p) => path.resolve(p));
    const relayRun = await startRelay(relay), port = relayRun.port;
    const [windowDump, windowReplay] = [path.join(work, 'window.dump'), path.join(work, 'window.vrp')];
    const display = await startDisplay();
    execFileSync(driverPath, ['announce-wm-hints'], {env: display});
    const {browser, page, code} = await hostOnPage(server, port);
    const linux = startProcess(game, ['--join', code, `127.0.0.1:${port}`, '--record', windowReplay, '--dump-final', windowDump],
                               {cwd: gameFolder, env: display});
    const onWindow = windowDriver(driverPath, gameFolder, display);
    onWindow('find', 'VALDORIK');
    await waitFor(page, 'the game did not begin', () => JSON.parse(Module.UTF8ToString(Module._WebStateDump())).pass > 60, 20);

    // Hidden behind another tab, the page keeps the pace it had in view (the
    // window's player may have changed the game's speed, so it is measured first).
    const turnsIn = async (ms) => { const from = await turn(page), at = Date.now(); await sleep(ms); return [await turn(page) - from, Date.now() - at]; };
    const [shownTurns, shownMs] = await turnsIn(2000);
    const other = await browser.newPage();
    await other.bringToFront();
    await waitFor(page, 'the tab not hidden behind another', () => document.hidden, 10);
    const [hiddenTurns, hiddenMs] = await turnsIn(3000);
    // Held to its timers the page ran a few turns a second.
    if (hiddenTurns / hiddenMs < shownTurns / shownMs / 2)
      fail(`in view the game ran ${shownTurns} turns in ${shownMs} ms; hidden, ${hiddenTurns} in ${hiddenMs} ms`);
    await page.bringToFront();
    await other.close();

    const {roundTrip, windowSays} = await playBoth(page, onWindow, linux);
    const state = await expectSameEnd(page, linux, windowDump, windowReplay, 1, () => onWindow('hold', 'Escape', '200'));
    const sent = await page.evaluate(() => window.sent);
    await waitInNode('the relay did not close the room', () => relayRun.out.includes('game messages of'), 10);
    const passed = /after (\d+) game messages of (\d+) bytes/.exec(relayRun.out);
    // The other way round: the window hosts, and the page on a phone opens the link to join as the
    // friend, whose facts it tells beside the frame and whose view its controls move; the window
    // leaves, and both end in one state.
    const hostDump = path.join(work, 'host.dump');
    const joinWindow = async () => {
      const host = startProcess(game, ['--host', `127.0.0.1:${port}`, '--dump-final', hostDump], {cwd: gameFolder, env: display});
      await waitInNode('the window wrote no room code', () => /^[A-Z]{9}\n/.test(host.out), 10);
      await page.goto(`http://127.0.0.1:${server.address().port}/index.html?join=${host.out.slice(0, 9)}&relay=127.0.0.1:${port}&dump-final=1`);
      await waitAfterGoing(page, 'the joined game did not begin', () => JSON.parse(Module.UTF8ToString(Module._WebStateDump())).pass > 30, 20);
      return host;
    };
    const phone = engine !== 'firefox';  // no touch emulation in firefox
    if (phone) await page.setViewport(Phone);  // the friend on a phone
    await joinWindow();
    await waitFor(page, 'the facts do not tell the friend\'s gold and selected unit', () => {
      const facts = JSON.parse(Module.UTF8ToString(Module._WebFacts()));
      const leader = JSON.parse(Module.UTF8ToString(Module._WebStateDump())).units.find((u) => u[0] === 1);
      return facts.empire === 1 && document.getElementById('fact-gold').textContent === String(Math.floor(leader[13])) &&
             document.getElementById('fact-unit').textContent.startsWith('Mage, ');
    }, 10);
    // An on-screen control moves the friend's own view, and not the host's.
    if (phone) {
      const unscrolled = await gameState(page);
      await tapControl(page, touchPad(await page.createCDPSession()), 'Scroll up', 300);
      await waitFor(page, 'Scroll up did not move the friend\'s view', (y) =>
        JSON.parse(Module.UTF8ToString(Module._WebStateDump())).seat1.map_sy !== y, 10, unscrolled.seat1.map_sy);
      const scrolled = await gameState(page);
      if (scrolled.map_sx !== unscrolled.map_sx || scrolled.map_sy !== unscrolled.map_sy) fail('the friend\'s control moved the host\'s view');
    }
    onWindow('hold', 'Escape', '200');
    if (await finalState(page, 20) !== fs.readFileSync(hostDump, 'utf8')) fail('joined, the page and the window ended in different states');
    if (phone) await page.setViewport({width: Frame.width, height: Frame.height + 48});
    // A game left for a replay (the first game's, from the page's list) lets its line go: the window hears its friend left.
    const host = await joinWindow();
    await page.$$eval('#replay-list button', (all) => all.find((b) => b.textContent === 'Watch').click());
    await waitFor(page, 'not asked before the versus replay ends the game', () => document.getElementById('end-game').open, 10);
    await page.click('#end-and-watch');
    await waitFor(page, 'the versus replay is not watched', () => document.getElementById('status').textContent.startsWith('Watching'), 10);
    onWindow('expect', '--within', '10', 'line:connection=Your friend left: the computer plays their side.');
    onWindow('hold', 'Escape', '200');
    if (await Promise.race([host.ended, sleep(15000).then(() => 'still running')]) !== 0) fail(`the window's game did not end well: ${host.err}`);

    // Links that cannot join: the page tells why in the game's words, and no game starts.
    for (const [query, told] of [[`join=${code}&relay=127.0.0.1:${port}`, 'The relay refused: '],
                                 ['join=ABC&relay=127.0.0.1:1', "'ABC' is not a room code"],
                                 ['join=ABCDEFGHJ&relay=127.0.0.1:1', 'No game: no relay answers at 127.0.0.1:1.'],
                                 ['join=ABCDEFGHJ&relay=no%23host:80', "No game: cannot reach no#host:80: 'no#host' is not"]]) {
      await page.goto(`http://127.0.0.1:${server.address().port}/index.html?${query}&dump-final=1`);
      await waitAfterGoing(page, `no end panel for ?${query}`, () => !document.getElementById('end-panel').hidden, 30);
      const shown = await page.evaluate(() => [document.getElementById('messages').textContent, document.getElementById('end-text').textContent]);
      if (!shown[0].startsWith(`valdorik: ${told}`) || /\.\.$/.test(shown[0]) || shown[1] !== 'The game could not start.')
        fail(`for ?${query} the page says ${JSON.stringify(shown)}`);
    }
    await browser.close();
    const turns = JSON.parse(state).pass, seconds = turns / 60;
    return `${turns} turns, the same end and replay on both; ${shownTurns} turns in ${shownMs} ms in view, ` +
           `${hiddenTurns} in ${hiddenMs} ms hidden; ` +
           `the page sent ${sent.messages} messages of ${sent.bytes} bytes (${Math.round(sent.bytes / seconds)} B/s of play), ` +
           `the relay passed ${passed[1]} of ${passed[2]} bytes for both; round trip on the page ${roundTrip} ms, ` +
           `on the window "${windowSays}"${phone ? '' : '; not run here: the phone (no touch emulation in firefox)'}`;
  },

  // The Windows game under Wine, on a display of its own, joins the room the
  // page opens; each player gives a burst, and the page's player leaves with
  // Escape: the same end and the same replay as in versus.
  async versus_windows(server) {
    const [driverPath, relay, exe, gameFolder, winePrefix] = rest.map((p) => path.resolve(p));
    if (!fs.existsSync('/usr/lib/wine/wine64')) fail('/usr/lib/wine/wine64 is missing: run scripts/install-deps.sh test');
    const relayRun = await startRelay(relay), port = relayRun.port;
    const [windowDump, windowReplay] = [path.join(work, 'window.dump'), path.join(work, 'window.vrp')];
    const display = await startDisplay();
    execFileSync(driverPath, ['announce-wm-hints'], {env: display});
    const wine = {...display, WINEPREFIX: winePrefix, WINEDEBUG: '-all', WINEDLLOVERRIDES: 'mscoree,mshtml=;winealsa.drv='};
    // Wine's server outlives its games: it goes with the case's processes, pass or fail.
    started.push({kill: () => spawnSync('/usr/lib/wine/wineserver', ['-k'], {env: wine})});
    const {browser, page, code} = await hostOnPage(server, port);
    const windows = startProcess('/usr/lib/wine/wine64', [exe, '--join', code, `127.0.0.1:${port}`, '--record', windowReplay,
                                                          '--dump-final', windowDump], {cwd: gameFolder, env: wine});
    await waitFor(page, 'the Windows game did not join', () => JSON.parse(Module.UTF8ToString(Module._WebStateDump())).pass > 60, 60);
    const onWindow = windowDriver(driverPath, gameFolder, display);
    onWindow('find', 'VALDORIK');
    const {roundTrip, windowSays} = await playBoth(page, onWindow, windows);
    // The page's player leaves: Wine may keep the keyboard from its window after the burst's focus changes.
    const state = await expectSameEnd(page, windows, windowDump, windowReplay, 0, () => page.keyboard.press('Escape', {delay: 200}));
    await browser.close();
    return `${JSON.parse(state).pass} turns, the same end and replay in the page and the Windows game; ` +
           `round trip on the page ${roundTrip} ms, on the Windows frame "${windowSays}"`;
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

  // Installed once, the site plays without a network: the browser finds it
  // installable; the service worker keeps the site's files, never a replay,
  // under the build's version; with the server gone the page opens, query and
  // all, and draws the game. A next build waits while a page of this one is
  // open, then replaces it whole.
  async offline(server) {
    const version = /^const Version = '(.+)';$/m.exec(fs.readFileSync(path.join(site, 'service-worker.js'), 'utf8'));
    if (!version) fail('the site\'s service worker has no version');
    const origin = `http://127.0.0.1:${server.address().port}`;
    const {browser, page} = await openPage(server);
    await waitFor(page, 'no frames presented', () => Module.framesPresented > 10, 30);
    await waitFor(page, 'no service worker controls the page', () => !!navigator.serviceWorker.controller, 30);
    const icons = await expectInstallable(page);
    served['/game.vrp'] = path.join(site, 'page.css');  // any bytes: a replay the page fetches
    await page.evaluate(() => fetch('game.vrp'));
    await expectKeptWhole(page, version[1]);

    network.up = false;
    await page.goto(`${origin}/index.html?dump-final=1`);
    await waitFor(page, 'no frames presented without a network', () => Module.framesPresented > 30, 30);
    await expectFloorAndTitle(page);

    const next = version[1] + '-next';
    serveNextBuild(version[0], next);
    network.up = true;
    const cssOfNext = () => page.evaluate(async () => (await (await fetch('page.css')).text()).includes('/* next */'));
    const workers = await watchWorkers(page);
    await page.evaluate(async () => (await navigator.serviceWorker.getRegistration()).update());
    const newest = () => workers().slice(-1)[0];
    await waitInNode('the next build not installed',
                     () => workers().length > 1 && ['installed', 'activating', 'activated'].includes(newest()), 30);
    if (await cssOfNext()) fail('a page of the first build got a file of the next one');

    network.up = false;
    await page.goto('about:blank');  // no page of the first build is open
    await waitInNode('the next build not activated', () => newest() === 'activated', 30);
    await page.goto(`${origin}/`);
    await waitFor(page, 'no frames presented by the next build', () => Module.framesPresented > 10, 30);
    const kept = await expectKeptWhole(page, next);
    if (!(await cssOfNext())) fail('the next build\'s page.css is not served');
    await browser.close();
    return `installable with icons ${icons}; played without a network; "${kept}" replaced the first build whole`;
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
    // An address larger than the 16 MiB the game reads is told as the simulator tells it, and never read.
    const big = path.join(work, 'big.vrp');
    fs.writeFileSync(big, Buffer.alloc((16 << 20) + 1, 0xff));
    served['/big.vrp'] = big;
    let said = '';
    try { execFileSync(sim, ['replay', big], {stdio: ['ignore', 'ignore', 'pipe']}); } catch (e) { said = e.stderr.toString(); }
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html?replay=big.vrp`);
    await waitFor(page, 'no word of the address too large, or it was read', (t) => document.getElementById('messages').textContent === t &&
      document.getElementById('end-text').textContent === 'The replay big.vrp could not be read.', 30, `valdorik: big.vrp: ${said.trim().split(big + ': ')[1]}`);
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
    console.log(`PASS (${testName}): ${await cases[caseName](server)}`);
  } catch (e) {
    if (!process.exitCode) console.error(`FAIL (${testName}): ${e.stack || e}`);
    process.exitCode = 1;
  } finally {
    for (const child of started) child.kill('SIGKILL');
    server.close();
    fs.rmSync(work, {recursive: true, force: true});
    process.exit(process.exitCode || 0);
  }
})();
