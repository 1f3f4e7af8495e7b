// The browser game's figures for docs/performance.md (scripts/web-figures.sh):
// the rules' speed in WebAssembly against valdorik-sim in the same run, the
// frame bench's worst scenario where the site has it (the figures site), the
// time from navigation to the first frame, and, over 10 s of play, the
// game's frames (the rules' frames: the `frame` field of the page's
// Module._WebStateDump()) beside the frames it drew (Module.framesPresented)
// and the screen updates (the page's animation callbacks, each one picture
// the screen can show), in three runs: the machine as it is, two busy loops
// keeping both cores busy, and Chromium's CPU throttled 4x. Each figure
// comes with the load average. In Debian's headless chromium with
// SwiftShader. The page starts its game itself, as for a player; any build
// of the site will do (what it exports is all the script uses).
//   node web_figures.js SITE SIM [play]   (play: the three runs of play alone)
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const {execFileSync, spawn} = require('child_process');
const puppeteer = require('puppeteer-core');

const [site, sim, only] = process.argv.slice(2);
const Seed = 7, Frames = 20000, Runs = 3, WorstFrames = 200;

function serve() {
  const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm'};
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://x').pathname;
    fs.readFile(path.join(site, path.normalize(url)), (error, bytes) => {
      if (error) { response.writeHead(404); response.end(); return; }
      response.writeHead(200, {'Content-Type': types[path.extname(url)] || 'application/octet-stream'});
      response.end(bytes);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function open(server, query) {
  const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: 'new',
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader']});
  const page = await browser.newPage();
  await page.setViewport({width: 640, height: 528});
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html${query}`);
  return {browser, page};
}

function nativeRulesMs() {
  const start = process.hrtime.bigint();
  const out = execFileSync(sim, ['run', '--seed', String(Seed), '--frames', String(Frames)]).toString().trimEnd().split('\n');
  return {ms: Number(process.hrtime.bigint() - start) / 1e6, dump: out[out.length - 1] + '\n'};
}

// Every animation callback of the page, counted from before the game loads.
function countScreenUpdates() {
  window.screenUpdates = 0;
  const tick = () => { ++window.screenUpdates; requestAnimationFrame(tick); };
  requestAnimationFrame(tick);
}

// The load average as uptime tells it (1, 5 and 15 minutes).
const loadAverage = () => execFileSync('uptime').toString().trim().replace(/^.*load average: /, '');

// Two busy loops, one a core, for the loaded run; killed by their ids.
const busy = [];
function startBusyLoops() {
  for (let i = 0; i < 2; ++i) busy.push(spawn('sh', ['-c', 'while :; do :; done'], {stdio: 'ignore'}));
}
function stopBusyLoops() {
  while (busy.length) busy.pop().kill('SIGKILL');
}
process.on('exit', stopBusyLoops);

const PlayRuns = [
  {what: 'play, the machine as it is', first: true},
  {what: 'play, two busy loops keeping both cores busy', before: startBusyLoops, after: stopBusyLoops},
  {what: 'play, CPU throttled 4x (Emulation.setCPUThrottlingRate)', throttle: 4},
];
const WarmUpMs = 2000, PlayMs = 10000;

// 10 s of the title screen's play after 2 s to settle: game frames, frames
// drawn and screen updates, with the load average at the end.
async function play(server, run) {
  if (run.before) run.before();
  try {
    const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: 'new',
      args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader']});
    const page = await browser.newPage();
    await page.setViewport({width: 640, height: 528});
    await page.evaluateOnNewDocument(countScreenUpdates);
    if (run.throttle) await (await page.createCDPSession()).send('Emulation.setCPUThrottlingRate', {rate: run.throttle});
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
    await page.waitForFunction(() => window.Module && Module.framesPresented > 0, {timeout: 60000});
    const first = await page.evaluate(() => Module.firstFrameMs);
    await new Promise((r) => setTimeout(r, WarmUpMs));
    // All four at one moment, between two of the game's steps.
    const sample = () => page.evaluate(() => [Module.framesPresented, window.screenUpdates, performance.now(),
                                              JSON.parse(Module.UTF8ToString(Module._WebStateDump())).frame]);
    const a = await sample();
    await new Promise((r) => setTimeout(r, PlayMs));
    const b = await sample();
    const load = loadAverage();
    await browser.close();
    const seconds = (b[2] - a[2]) / 1000, drawn = b[0] - a[0], shown = b[1] - a[1], frames = b[3] - a[3];
    return {first, seconds, drawn, shown, frames, load, drawnRate: drawn / seconds, shownRate: shown / seconds,
            framesRate: frames / seconds, ratio: shown / drawn};
  } finally {
    if (run.after) run.after();
  }
}

// The rules against valdorik-sim, then the worst scenario, each in a fresh page.
async function rulesAndWorst(server) {
  let {browser, page} = await open(server, '?bench=1');
  await page.waitForFunction(() => document.body.dataset.game === 'bench', {timeout: 30000});
  const web = [], native = [];
  let same = true;
  for (let i = 0; i < Runs; ++i) {
    const n = nativeRulesMs();
    native.push(n.ms);
    const w = await page.evaluate((seed, frames) => {
      const ms = Module.ccall('RulesSpeedWeb', 'number', ['number', 'number'], [seed, frames]);
      return {ms, dump: new TextDecoder().decode(Module.FS.readFile('/rules-speed.json'))};
    }, Seed, Frames);
    web.push(w.ms);
    same = same && w.dump === n.dump;
  }
  await browser.close();
  const best = (a) => Math.min(...a);
  console.log(`rules, ${Frames} headless frames (seed ${Seed}), best of ${Runs}: page ${best(web).toFixed(0)} ms, ` +
              `valdorik-sim ${best(native).toFixed(0)} ms (process start included): page at ` +
              `${(best(native) / best(web)).toFixed(2)} x native; final dumps ${same ? 'identical' : 'DIFFER'}; load average ${loadAverage()}`);

  // The frame bench's worst scenario, on the canvas of a fresh page: only
  // the figures site has it (scripts/web-build.sh --figures).
  ({browser, page} = await open(server, '?bench=1'));
  await page.waitForFunction(() => document.body.dataset.game === 'bench', {timeout: 30000});
  const worst = await page.evaluate((frames) => {
    if (!Module._FrameSpeedWeb) return null;
    Module.ccall('FrameSpeedWeb', 'number', ['number', 'number'], [1, frames]);
    return new TextDecoder().decode(Module.FS.readFile('/frame-speed.txt')).trim().split(' ').map(Number);
  }, WorstFrames);
  await browser.close();
  if (!worst) {
    console.log('worst scenario: not in this site (the figures site has it: scripts/web-build.sh --figures)');
    return;
  }
  console.log(`worst scenario (frame bench's (c), seed 1), ${WorstFrames} frames each finished by glFinish: ` +
              `mean ${worst[0].toFixed(2)} ms, longest ${worst[1].toFixed(2)} ms; load average ${loadAverage()}`);
}

(async () => {
  const server = await serve();
  if (only !== 'play') await rulesAndWorst(server);
  for (const run of PlayRuns) {
    const figures = await play(server, run);
    console.log(`${run.what}: ${figures.frames} game frames, ${figures.drawn} frames drawn, ${figures.shown} screen updates ` +
                `in ${figures.seconds.toFixed(2)} s: ${figures.framesRate.toFixed(1)} game frames a second ` +
                `(${(figures.framesRate / 60).toFixed(3)} of 60), ${figures.drawnRate.toFixed(1)} frames drawn a second, ` +
                `${figures.shownRate.toFixed(1)} screen updates a second (${figures.ratio.toFixed(2)} x frames drawn); ` +
                `load average ${figures.load}`);
    if (run.first) console.log(`start-up: first frame presented ${figures.first.toFixed(0)} ms after navigation`);
  }
  server.close();
})().catch((e) => { console.error(e); process.exit(1); });
