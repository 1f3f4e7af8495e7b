// The page around the game: starting games and replays, the end panel, the
// browser's storage of every game, files chosen or dropped, sound, and the
// messages the desktop game would write on stderr. The game itself runs in
// valdorik.js / valdorik.wasm (src/platform/web/).
'use strict';

const KeptReplays = 50;  // as on the desktop
const Query = new URLSearchParams(location.search);
// ?dump-final=1: every game and replay writes its final state here, and the page shows it.
const DumpPath = Query.get('dump-final') === '1' ? '/final-state.json' : '';
const DumpWords = DumpPath ? ['--dump-final', DumpPath] : [];
const $ = (id) => document.getElementById(id);
const canvas = $('canvas');

// ---- Messages: the desktop's stderr lines, shown on the page ----
function showMessage(text) {
  const line = document.createElement('div');
  line.textContent = text;
  $('messages').appendChild(line);
}

// The desktop names a file by its path; the page's paths are its own copies
// (/watch/..., /replays/...), so the player reads the name they chose, or
// the address they gave, instead.
function inPlayersWords(text) {
  const file = Game.fileShown;
  return file ? text.split(file.path).join(file.name) : text;
}

// ---- The browser's storage of replays (IndexedDB) ----
const Replays = {
  db: null,
  opening: null,
  open() {
    if (!this.opening) {
      this.opening = new Promise((resolve, reject) => {
        if (!window.indexedDB) return reject(new Error('this browser keeps no storage for the page'));
        const request = indexedDB.open('valdorik', 1);
        request.onupgradeneeded = () => request.result.createObjectStore('replays', {keyPath: 'name'});
        request.onsuccess = () => resolve(this.db = request.result);
        request.onerror = () => reject(request.error || new Error('storage refused'));
        request.onblocked = () => reject(new Error('storage is blocked by another tab'));
      });
    }
    return this.opening;
  },
  async run(mode, work) {
    const db = await this.open();
    return new Promise((resolve, reject) => {
      const tx = db.transaction('replays', mode);
      let result;
      tx.oncomplete = () => resolve(result);
      tx.onerror = tx.onabort = () => reject(tx.error || new Error('storage refused'));
      work(tx.objectStore('replays'), (value) => { result = value; });
    });
  },
  put(name, bytes) { return this.run('readwrite', (store) => store.put({name, bytes})); },
  get(name) {
    return this.run('readonly', (store, done) => { store.get(name).onsuccess = (e) => done(e.target.result); });
  },
  names() {
    return this.run('readonly', (store, done) => { store.getAllKeys().onsuccess = (e) => done(e.target.result); });
  },
  // Names sort by start time; the oldest beyond the newest 50 go.
  async prune() {
    const names = (await this.names()).sort();
    const old = names.slice(0, Math.max(0, names.length - KeptReplays));
    if (old.length) await this.run('readwrite', (store) => old.forEach((name) => store.delete(name)));
  },
};

function download(name, bytes) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], {type: 'application/octet-stream'}));
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

async function listReplays() {
  let names;
  try { names = (await Replays.names()).sort().reverse(); } catch (e) { return; }
  const list = $('replay-list');
  list.textContent = '';
  for (const name of names) {
    const item = document.createElement('li');
    item.textContent = name;
    const get = document.createElement('button');
    get.textContent = 'Download';
    get.onclick = async () => download(name, (await Replays.get(name)).bytes);
    const watch = document.createElement('button');
    watch.textContent = 'Watch';
    watch.onclick = async () => watchAfterAsking(name, (await Replays.get(name)).bytes);
    item.append(get, watch);
    list.appendChild(item);
  }
}

// ---- Play without a network: the service worker keeps the site's files ----
// Browsers offer it only over https or from localhost; the game never waits
// for it, and a refusal is only told on the console.
function keepSiteForOffline() {
  if (!/^https?:$/.test(location.protocol) || !('serviceWorker' in navigator)) return;
  const refused = (e) => console.warn(`valdorik: the site is not kept for play without a network: ${e.message || e}`);
  try { navigator.serviceWorker.register('service-worker.js').catch(refused); } catch (e) { refused(e); }
}
addEventListener('load', keepSiteForOffline);

// ---- Games: one at a time; the next waits until the running one has ended ----
const Game = {
  running: false,
  next: null,        // the words of the game to start once the running one ends
  recording: null,   // {name, path, failed} of the game being recorded
  watching: '',      // the player's name for the replay being watched
  fileShown: null,   // {path, name}: the running game's file in the page, and the player's name for it
  lastReplay: null,  // {name, bytes} of the last game recorded
  statusBeforePause: null,  // the status line a pause replaced
  outcome: '',       // won, lost or tie once the game played is decided
  downloadAtEnd: false,  // Download replay pressed while the decided game still ran
};

const Playing = 'Playing; Escape ends the game.';

// The status line; while paused, the one the pause gives back.
function setStatus(text) {
  if (Game.statusBeforePause !== null) Game.statusBeforePause = text;
  else $('status').textContent = text;
}

function localStamp(date) {
  const two = (n) => String(n).padStart(2, '0');
  return `${date.getFullYear()}-${two(date.getMonth() + 1)}-${two(date.getDate())}_` +
         `${two(date.getHours())}-${two(date.getMinutes())}-${two(date.getSeconds())}`;
}

function start(words, setup) {
  if (Game.running) {
    Game.next = {words, setup};
    Module.ccall('QuitWebGame', null, [], []);
    return;
  }
  $('messages').textContent = '';  // they were about the last game
  setup();
  releaseLatches();
  Game.outcome = '';
  Game.running = true;
  hidePaused();
  $('end-panel').hidden = true;
  document.body.dataset.game = 'running';
  canvas.focus();
  showKeysHint();
  Module.ccall('StartWebGame', null, ['string'], [words.join('\n')]);
}

async function playGame() {
  let name = localStamp(new Date()) + '.vrp';
  try {
    const taken = await Replays.names();
    for (let n = 2; taken.includes(name); ++n) name = `${localStamp(new Date())}-${n}.vrp`;
  } catch (e) { /* told when the game is stored */ }
  const path = '/replays/' + name;
  start(['--record', path].concat(DumpWords), () => {
    Game.recording = {name, path, failed: false};
    Game.lastReplay = null;  // the last game's: not this one's
    Game.watching = '';
    Game.fileShown = {path, name};
    $('final-state').textContent = '';
    $('status').textContent = Playing;
  });
}

// ---- The outcome of the game played, from the game's own flags ----
// The desktop game tells it in the frame and plays on until F1 or Escape;
// the page tells it beside the frame as well, and offers the way on.
const Outcomes = {
  won: {panel: 'You won', status: 'Won; F1 or Play again starts a new game.', ended: 'Won.'},
  lost: {panel: 'The computer won', status: 'Lost; F1 or Play again starts a new game.', ended: 'Lost.'},
  tie: {panel: 'A tie', status: 'Tie; F1 or Play again starts a new game.', ended: 'Tie.'},
};
function outcomeOfGame() {
  const [player, computer, tie] = JSON.parse(Module.UTF8ToString(Module._WebStateDump())).victory;
  return tie ? 'tie' : player ? 'won' : computer ? 'lost' : '';
}
// Looked at every half second of frames; F1 in the game takes it back.
function followOutcome() {
  if (!Game.running || Game.watching || Game.next) return;
  const outcome = outcomeOfGame();
  if (outcome === Game.outcome) return;
  Game.outcome = outcome;
  setStatus(outcome ? Outcomes[outcome].status : Playing);
  if (outcome) showEndPanel(Outcomes[outcome].panel);
  else $('end-panel').hidden = true;
}

// A replay from anywhere, under the name the player knows it by (a file's
// name, an address); the page's copy is named after it (fileName, the
// address's path).
function watchReplay(name, bytes, fileName = name) {
  const safe = (fileName.split(/[\\/]/).pop() || 'replay.vrp').replace(/[^\w.\-]/g, '_');
  const path = '/watch/' + safe;
  start(['--replay', path].concat(DumpWords), () => {
    Module.FS.writeFile(path, bytes);
    Game.recording = null;
    Game.watching = name;
    Game.fileShown = {path, name};
    $('final-state').textContent = '';
    $('status').textContent = `Watching ${name}; Escape ends it.`;
  });
}

// ---- A replay chosen while a game is played: the player is asked first ----
// In a dialog of the page's own: window.confirm would stop the page's
// script, and with it the game's loop and the storing of its recording,
// until answered. Nothing is asked when no game runs or a replay is being
// watched: there is nothing to lose.
let watchIfEnded = null;  // the replay to watch if the player ends the game
function watchAfterAsking(name, bytes) {
  if (!Game.running || Game.watching) return watchReplay(name, bytes);
  watchIfEnded = () => watchReplay(name, bytes);
  const dialog = $('end-game');
  $('end-game-text').textContent = `End this game and watch ${name}?`;
  dialog.returnValue = '';  // Escape answers Keep playing
  if (!dialog.open) dialog.showModal();
}
$('end-game').addEventListener('close', () => {
  const watch = watchIfEnded;
  watchIfEnded = null;
  if ($('end-game').returnValue === 'watch') watch();
  else if (Game.running) canvas.focus();
});

// The recording as far as the game has written it (about once a second).
// The finished game's is kept in memory as well, so Download replay offers
// it even when the browser refuses to store it.
async function storeRecording(final) {
  const rec = Game.recording;
  if (!rec) return;
  let bytes;
  try { bytes = Module.FS.readFile(rec.path); } catch (e) { return; }
  if (final) Game.lastReplay = {name: rec.name, bytes};
  if (rec.failed) return;
  try {
    await Replays.put(rec.name, bytes);
    if (final) {
      await Replays.prune();
      listReplays();
    }
  } catch (e) {
    rec.failed = true;
    showMessage(`valdorik: this game is not kept in the browser: ${e.message || e}\n` +
                'Download replay keeps it when it ends.');
  }
}

setInterval(() => { if (Game.running) storeRecording(false); }, 2000);
addEventListener('pagehide', () => storeRecording(false));

function gameEnded(status) {
  Game.running = false;
  showKeysHint();
  hidePaused();
  storeRecording(true);
  if (Game.downloadAtEnd && Game.lastReplay) download(Game.lastReplay.name, Game.lastReplay.bytes);
  Game.downloadAtEnd = false;
  // Taken away once shown: a game that never starts writes none, and must not show the last one's.
  if (DumpPath) {
    try {
      $('final-state').textContent = new TextDecoder().decode(Module.FS.readFile(DumpPath));
      Module.FS.unlink(DumpPath);
    } catch (e) {}
  }
  document.body.dataset.game = 'ended';
  document.body.dataset.status = String(status);
  if (Game.next) {
    const {words, setup} = Game.next;
    Game.next = null;
    start(words, setup);
    return;
  }
  $('status').textContent = Game.outcome ? Outcomes[Game.outcome].ended : '';
  showEndPanel(endText(status));
}

// A game or replay the desktop refused to start (status not 0) has already
// said why; the panel must not call it over.
function endText(status) {
  if (Game.outcome) return Outcomes[Game.outcome].panel;
  if (Game.watching) return status === 0 ? 'The replay is over.' : `${Game.watching} could not be watched.`;
  return status === 0 ? 'The game is over.' : 'The game could not start.';
}

// The end panel: what ended, the way on, and the game's replay to keep.
// Over a decided game still running the keys stay with the game (F1,
// Escape), and Download replay ends it first: its recording is whole then.
function showEndPanel(text) {
  $('end-text').textContent = text;
  $('play-again').textContent = Game.recording ? 'Play again' : 'New game';
  $('download-replay').hidden = !(Game.recording && (Game.lastReplay || Game.running));
  $('end-panel').hidden = false;
  if (!Game.running) $('play-again').focus();
}

// ---- The paused picture: the game's words over its last frame, darkened ----
// `overlay` holds the words, rows bottom first; a pixel of them shows where
// its alpha passes the game's alpha test (more than a tenth), the darkening
// everywhere else.
function showPaused(overlay, width, height, dimming) {
  const paused = $('paused');
  const context = paused.getContext('2d');
  const image = context.createImageData(width, height);
  const shade = Math.round(dimming * 255);
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const from = ((height - 1 - y) * width + x) * 4, to = (y * width + x) * 4;
      const ink = overlay[from + 3] > 25.5;
      for (let c = 0; c < 3; ++c) image.data[to + c] = ink ? overlay[from + c] : 0;
      image.data[to + 3] = ink ? 255 : shade;
    }
  }
  context.putImageData(image, 0, 0);
  paused.hidden = false;
  if (Game.statusBeforePause === null) Game.statusBeforePause = $('status').textContent;
  $('status').textContent = 'Paused; P goes on.';
}
function hidePaused() {
  $('paused').hidden = true;
  if (Game.statusBeforePause !== null) $('status').textContent = Game.statusBeforePause;
  Game.statusBeforePause = null;
}

// ---- The keys: the game hears them only while the canvas has the focus ----
// Said while a game runs and the focus is elsewhere on the page (a click in
// its margin, Tab); not while the whole window is away, as the canvas keeps
// the focus then.
function showKeysHint() {
  $('keys-hint').hidden = !(Game.running && document.activeElement !== canvas);
}
canvas.addEventListener('focus', showKeysHint);
canvas.addEventListener('blur', () => setTimeout(showKeysHint));  // once the focus has landed

// ---- Sound: browsers let it start only after the player's first click or key ----
const Sound = {
  context: null,
  buffers: new Map(),
  playing: null,
  unlock() {
    if (!this.context && window.AudioContext) this.context = new AudioContext();
    if (this.context && this.context.state === 'suspended') this.context.resume();
  },
  async play(path) {
    if (!this.context || this.context.state !== 'running') return;
    let buffer = this.buffers.get(path);
    if (!buffer) {
      try { buffer = await this.context.decodeAudioData(Module.FS.readFile(path).slice().buffer); } catch (e) { return; }
      this.buffers.set(path, buffer);
    }
    if (this.playing) this.playing.stop();  // a sound still playing is cut off
    this.playing = this.context.createBufferSource();
    this.playing.buffer = buffer;
    this.playing.connect(this.context.destination);
    this.playing.start();
  },
};
addEventListener('pointerdown', () => Sound.unlock(), true);
addEventListener('keydown', () => Sound.unlock(), true);

// ---- The page's controls ----
canvas.addEventListener('mousedown', () => canvas.focus());
canvas.addEventListener('contextmenu', (e) => e.preventDefault());
// Fullscreen takes the frame with its touch controls; Escape there only
// leaves fullscreen, as the browser promises, and never reaches the game.
// Alt+Enter switches it, as in the desktop game, and never reaches the game either.
$('fullscreen').onclick = () => {
  const play = $('play');
  (play.requestFullscreen || play.webkitRequestFullscreen).call(play);
  canvas.focus();
};
const inFullscreen = () => document.fullscreenElement || document.webkitFullscreenElement;
const leaveFullscreen = () => (document.exitFullscreen || document.webkitExitFullscreen).call(document);
// Keys the page takes for itself: their release never reaches the game either.
const takenKeys = new Set();
addEventListener('keyup', (e) => {
  if (takenKeys.delete(e.key)) e.stopImmediatePropagation();
}, true);
// Alt+Enter is the game's, as on the desktop: it calls switchFullscreen.
function switchFullscreen() {
  if (inFullscreen()) leaveFullscreen();
  else $('fullscreen').onclick();
}
addEventListener('keydown', (e) => {
  if (e.key !== 'Escape' || !inFullscreen()) return;
  e.stopImmediatePropagation();
  takenKeys.add(e.key);
  leaveFullscreen();
}, true);
$('play-again').onclick = () => playGame();
$('download-replay').onclick = () => {
  if (Game.running) {
    Game.downloadAtEnd = true;
    Module.ccall('QuitWebGame', null, [], []);
  } else if (Game.lastReplay) {
    download(Game.lastReplay.name, Game.lastReplay.bytes);
  }
};
$('watch-file').onclick = () => $('replay-file').click();
$('replay-file').onchange = async (e) => {
  const file = e.target.files[0];
  if (file) watchAfterAsking(file.name, new Uint8Array(await file.arrayBuffer()));
  e.target.value = '';
};
addEventListener('dragover', (e) => { e.preventDefault(); document.body.classList.add('dropping'); });
addEventListener('dragleave', () => document.body.classList.remove('dropping'));
addEventListener('drop', async (e) => {
  e.preventDefault();
  document.body.classList.remove('dropping');
  const file = e.dataTransfer.files[0];
  if (file) watchAfterAsking(file.name, new Uint8Array(await file.arrayBuffer()));
});

function hasWebGL() {
  try { return !!document.createElement('canvas').getContext('webgl'); } catch (e) { return false; }
}

async function firstGame() {
  const url = Query.get('replay');
  if (!url) return playGame();
  let bytes;
  $('status').textContent = `Reading ${url}...`;
  try {
    const response = await fetch(url);
    if (!response.ok) throw new Error(`the server answers ${response.status} ${response.statusText}`.trim());
    bytes = new Uint8Array(await response.arrayBuffer());
  } catch (e) {
    $('status').textContent = '';
    showMessage(`valdorik: ${url}: cannot be read: ${e.message || e}`);
    document.body.dataset.game = 'ended';
    showEndPanel(`The replay ${url} could not be read.`);
    return;
  }
  const fileName = new URL(url, location.href).pathname;
  watchReplay(url, bytes, fileName);
}

var Module = {
  canvas,
  print: (text) => console.log(text),
  // The toolchain's own notes about its GL emulation are for the console only.
  printErr: (text) => {
    console.error(text);
    if (!/^(WARNING: using emscripten|TODO: )/.test(text)) showMessage(inPlayersWords(text));
  },
  playSound: (path) => Sound.play(path),
  gameEnded,
  switchFullscreen,
  showPaused,
  hidePaused,
  framesPresented: 0,
  firstFrameMs: 0,
  presented: () => {
    if (Module.framesPresented++ === 0) Module.firstFrameMs = performance.now();
    if (Module.framesPresented % 30 === 0) followOutcome();
  },
  onRuntimeInitialized: () => {
    Module.FS.mkdir('/replays');
    Module.FS.mkdir('/watch');
    listReplays();
    if (!hasWebGL()) {
      showMessage("ERROR: Can't Create A GL Rendering Context.\nThis browser offers no WebGL, which the game draws with.");
      document.body.dataset.game = 'ended';
      return;
    }
    // ?bench=1: no game; the figures script runs the rules alone (RulesSpeedWeb).
    if (Query.get('bench') === '1') document.body.dataset.game = 'bench';
    else firstGame();
  },
};
