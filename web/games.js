// Games and replays: starting them one at a time, the outcome of the game
// played, storing its recording as it goes, and what the page does when one
// ends.
import * as bridge from './bridge.js';
import {releaseLatches} from './controls.js';
import {askToEndGame, clearMessages, hideEndPanel, hidePaused, showEndPanel, showKeysHint, showMessage}
  from './dialogs.js';
import {download, listReplays, Replays} from './replays.js';
import {$, byInput, canvas, DumpPath, DumpWords, Game, Playing, Query, setStatus} from './state.js';

// The next waits until the running one has ended.
function start(words, setup) {
  if (Game.running) {
    Game.next = {words, setup};
    bridge.quitGame();
    return;
  }
  clearMessages();  // they were about the last game
  setup();
  releaseLatches();
  Game.outcome = '';
  Game.running = true;
  hidePaused();
  hideEndPanel();
  document.body.dataset.game = 'running';
  canvas.focus();
  showKeysHint();
  bridge.startGame(words);
}

function localStamp(date) {
  const two = (n) => String(n).padStart(2, '0');
  return `${date.getFullYear()}-${two(date.getMonth() + 1)}-${two(date.getDate())}_` +
         `${two(date.getHours())}-${two(date.getMinutes())}-${two(date.getSeconds())}`;
}

export async function playGame() {
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
const NewGameBy = byInput('F1 or Play again starts', 'Play again starts');
const Outcomes = {
  won: {panel: 'You won', status: `Won; ${NewGameBy} a new game.`, ended: 'Won.'},
  lost: {panel: 'The computer won', status: `Lost; ${NewGameBy} a new game.`, ended: 'Lost.'},
  tie: {panel: 'A tie', status: `Tie; ${NewGameBy} a new game.`, ended: 'Tie.'},
};
function outcomeOfGame() {
  const [player, computer, tie] = bridge.gameState().victory;
  return tie ? 'tie' : player ? 'won' : computer ? 'lost' : '';
}
// Looked at every half second of frames; F1 in the game takes it back.
export function framePresented(frames) {
  if (frames % 30 !== 0 || !Game.running || Game.watching || Game.next) return;
  const outcome = outcomeOfGame();
  if (outcome === Game.outcome) return;
  Game.outcome = outcome;
  setStatus(outcome ? Outcomes[outcome].status : Playing);
  if (outcome) showEndPanel(Outcomes[outcome].panel);
  else hideEndPanel();
}

// A replay from anywhere, under the name the player knows it by (a file's
// name, an address); the page's copy is named after it (fileName, the
// address's path).
function watchReplay(name, bytes, fileName = name) {
  const safe = (fileName.split(/[\\/]/).pop() || 'replay.vrp').replace(/[^\w.\-]/g, '_');
  const path = '/watch/' + safe;
  start(['--replay', path].concat(DumpWords), () => {
    bridge.files.write(path, bytes);
    Game.recording = null;
    Game.watching = name;
    Game.fileShown = {path, name};
    $('final-state').textContent = '';
    $('status').textContent = `Watching ${name}; ${byInput('Escape ends it', 'the End button ends it')}.`;
  });
}

// Nothing is asked when no game runs or a replay is being watched: there
// is nothing to lose.
export function watchAfterAsking(name, bytes) {
  if (!Game.running || Game.watching) return watchReplay(name, bytes);
  askToEndGame(name, () => watchReplay(name, bytes));
}

export function showReplays() { return listReplays(watchAfterAsking); }

// The recording as far as the game has written it (about once a second).
// The finished game's is kept in memory as well, so Download replay offers
// it even when the browser refuses to store it.
async function storeRecording(final) {
  const rec = Game.recording;
  if (!rec) return;
  let bytes;
  try { bytes = bridge.files.read(rec.path); } catch (e) { return; }
  if (final) Game.lastReplay = {name: rec.name, bytes};
  if (rec.failed) return;
  try {
    await Replays.put(rec.name, bytes);
    if (final) {
      await Replays.prune();
      showReplays();
    }
  } catch (e) {
    rec.failed = true;
    showMessage(`valdorik: this game is not kept in the browser: ${e.message || e}\n` +
                'Download replay keeps it when it ends.');
  }
}

setInterval(() => { if (Game.running) storeRecording(false); }, 2000);
addEventListener('pagehide', () => storeRecording(false));

export function gameEnded(status) {
  Game.running = false;
  showKeysHint();
  hidePaused();
  storeRecording(true);
  if (Game.downloadAtEnd && Game.lastReplay) download(Game.lastReplay.name, Game.lastReplay.bytes);
  Game.downloadAtEnd = false;
  // Taken away once shown: a game that never starts writes none, and must not show the last one's.
  if (DumpPath) {
    try {
      $('final-state').textContent = new TextDecoder().decode(bridge.files.read(DumpPath));
      bridge.files.remove(DumpPath);
    } catch (e) {}
  }
  document.body.dataset.game = 'ended';
  document.body.dataset.status = String(status);
  if (Game.next) {
    const {words, setup} = Game.next;
    Game.next = null;
    // The end is told from within the game's own call: the next starts once that has returned.
    queueMicrotask(() => start(words, setup));
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

// Download replay: a game still running ends first, so that its recording is whole.
export function downloadReplay() {
  if (Game.running) {
    Game.downloadAtEnd = true;
    bridge.quitGame();
  } else if (Game.lastReplay) {
    download(Game.lastReplay.name, Game.lastReplay.bytes);
  }
}

// The page's first game: ?replay=URL watches that replay, else a game starts.
export async function firstGame() {
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
