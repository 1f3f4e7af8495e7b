// The browser game's figures for docs/performance.md (scripts/web-figures.sh):
// the rules' speed in WebAssembly against valdorik-sim in the same run, the
// presented frame rate over 10 s, and the time from navigation to the first
// frame, in Debian's headless chromium with SwiftShader.
//   node web_figures.js SITE SIM
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const {execFileSync} = require('child_process');
const puppeteer = require('puppeteer-core');

const [site, sim] = process.argv.slice(2);
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

(async () => {
  const server = await serve();
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
  // The frame bench's worst scenario, on the canvas of a fresh page.
  ({browser, page} = await open(server, '?bench=1'));
  await page.waitForFunction(() => document.body.dataset.game === 'bench', {timeout: 30000});
  const worst = await page.evaluate((frames) => {
    Module.ccall('FrameSpeedWeb', 'number', ['number', 'number'], [1, frames]);
    return new TextDecoder().decode(Module.FS.readFile('/frame-speed.txt')).trim().split(' ').map(Number);
  }, WorstFrames);
  await browser.close();
  const best = (a) => Math.min(...a);
  console.log(`rules, ${Frames} headless frames (seed ${Seed}), best of ${Runs}: page ${best(web).toFixed(0)} ms, ` +
              `valdorik-sim ${best(native).toFixed(0)} ms (process start included): page at ` +
              `${(best(native) / best(web)).toFixed(2)} x native; final dumps ${same ? 'identical' : 'DIFFER'}`);

  console.log(`worst scenario (frame bench's (c), seed 1), ${WorstFrames} frames each finished by glFinish: ` +
              `mean ${worst[0].toFixed(2)} ms, longest ${worst[1].toFixed(2)} ms`);

  ({browser, page} = await open(server, ''));
  await page.waitForFunction(() => window.Module && Module.framesPresented > 0, {timeout: 30000});
  const first = await page.evaluate(() => Module.firstFrameMs);
  await new Promise((r) => setTimeout(r, 2000));
  const a = await page.evaluate(() => [Module.framesPresented, performance.now()]);
  await new Promise((r) => setTimeout(r, 10000));
  const b = await page.evaluate(() => [Module.framesPresented, performance.now()]);
  await browser.close();
  console.log(`presented: ${b[0] - a[0]} frames in ${((b[1] - a[1]) / 1000).toFixed(2)} s: ` +
              `${((b[0] - a[0]) * 1000 / (b[1] - a[1])).toFixed(1)} frames per second`);
  console.log(`start-up: first frame presented ${first.toFixed(0)} ms after navigation`);
  server.close();
})().catch((e) => { console.error(e); process.exit(1); });
