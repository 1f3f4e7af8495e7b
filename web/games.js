// Games and replays: starting them one at a time, the outcome of the game
// played, storing its recording as it goes, and what the page does when one
// ends.
import * as bridge from './bridge.js';
import {releaseLatches} from './controls.js';
import {askToEndGame, clearMessages, hideEndPanel, hidePaused, inPlayersWords, showEndPanel, showKeysHint,
  showMessage} from './dialogs.js';
import {download, Interrupted, listReplays, Replays} from './replays.js';
import {$, byInput, canvas, DumpPath, DumpWords, Game, Playing, Query, setStatus} from './state.js';

// The next waits until the running one has ended.
function start(words, setup) {
  if (Game.running) {
    Game.next = {words, setup};
    bridge.quitGame();
    return;
  }
  clearMessages();  // they were about the last game
  Game.versus = false;
  $('room').hidden = true;
  setup();
  releaseLatches();
  Game.outcome = '';
  Game.running = true;
  hidePaused();
  hideEndPanel();
  document.body.dataset.game = 'running';
  // Started from a button below the frame, the game comes back into view whole.
  canvas.scrollIntoView({block: 'nearest', inline: 'nearest'});
  canvas.focus();
  showKeysHint();
  bridge.startGame(words);
}

function localStamp(date) {
  const two = (n) => String(n).padStart(2, '0');
  return `${date.getFullYear()}-${two(date.getMonth() + 1)}-${two(date.getDate())}_` +
         `${two(date.getHours())}-${two(date.getMinutes())}-${two(date.getSeconds())}`;
}

// A name for a new game's replay, after the time it starts, not yet stored.
async function newGameName() {
  let name = localStamp(new Date()) + '.vrp';
  try {
    const taken = await Replays.names();
    for (let n = 2; taken.includes(name); ++n) name = `${localStamp(new Date())}-${n}.vrp`;
  } catch (e) { /* told when the game is stored */ }
  return name;
}

// The setup of every game played: it records into `name`, and the last one's leftovers go.
function recordInto(name, path) {
  Game.recording = {name, path, failed: false, listed: false, copyRefused: false};
  Game.lastReplay = null;  // the last game's: not this one's
  Game.watching = '';
  Interrupted.started(name);
  $('final-state').textContent = '';
  $('status').textContent = Playing;
}

export async function playGame() {
  const name = await newGameName();
  const path = '/replays/' + name;
  start(['--record', path].concat(DumpWords), () => {
    recordInto(name, path);
    Game.goingOn = false;
    Game.fileShown = {path, name};
  });
}

// A game against a friend through a relay (versus.js): the game's words
// (--host or --join), recorded as every game is; `setup` tells the room.
export async function playVersus(words, setup) {
  const name = await newGameName();
  const path = '/replays/' + name;
  start(words.concat(['--record', path], DumpWords), () => {
    recordInto(name, path);
    Game.goingOn = false;
    Game.versus = true;
    Game.fileShown = {path, name};
    setup();
  });
}

// How the game reads a replay: {error} (naming the file `name`) or {complete, passes}.
function readReplay(bytes, name = '') {
  const path = '/replays/.read.vrp';
  bridge.files.write(path, bytes);
  try {
    const read = bridge.checkReplay(path);
    if (read.error) read.error = read.error.split(path).join(name);
    return read;
  } finally { bridge.files.remove(path); }
}

// ---- Going on with the game the last page left unfinished ----
// Offered when the page loads, if the game it was recording as it went
// (reloaded, closed, killed) has no end mark.
async function offerInterrupted() {
  await Interrupted.moveCopy((bytes) => readReplay(bytes).passes ?? -1);
  const name = Interrupted.name();
  if (!/^[\w.\-]+$/.test(name || '')) return;  // names this page gives are all so: one that is not, it did not give
  let bytes;
  try { bytes = (await Replays.get(name)).bytes; } catch (e) { return; }
  const read = readReplay(bytes);
  if (read.error || read.complete || read.versus) return;  // a versus game cannot go on alone
  Game.onOffer = {name, bytes, passes: read.passes};
  $('go-on').title = `Your last game stopped at pass ${read.passes}: play on from there`;
  $('go-on').hidden = false;
}

// The game played up to where it stopped and on from there, as the
// desktop's --continue does, recorded into a new file that holds the whole game.
export async function goOn() {
  const offer = Game.onOffer;
  if (!offer) return;
  Game.onOffer = null;
  $('go-on').hidden = true;
  const name = await newGameName();
  const path = '/replays/' + name, from = '/replays/' + offer.name;
  start(['--continue', from, '--record', path].concat(DumpWords), () => {
    bridge.files.write(from, offer.bytes);
    recordInto(name, path);
    Game.goingOn = true;
    Game.fileShown = {path: from, name: offer.name};
  });
}

// The game's own lines on a replay cut short are for a file on its command
// line; in the page that is a game the tab left, told beside the frame in
// the page's words. Every other line is shown as the game says it.
export function heardFromGame(text) {
  const cut = /^valdorik: .*: ends at pass (\d+) \(byte \d+ of \d+\) without its end mark/.exec(text);
  const from = /^valdorik: the game continues from pass (\d+), the last complete one$/.exec(text);
  if (cut && Game.watching) {
    setStatus(`${$('status').textContent} It was interrupted at pass ${cut[1]} and is shown up to there.`);
  } else if (from && Game.goingOn) {
    setStatus(`${Playing} It goes on from pass ${from[1]}, where your last game stopped.`);
  } else if (!(cut && Game.goingOn)) {
    showMessage(inPlayersWords(text));
  }
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
  const [player, computer, tie] = bridge.gameFacts().victory;
  return tie ? 'tie' : player ? 'won' : computer ? 'lost' : '';
}
// Looked at every half second of frames; F1 in the game takes it back.
export function framePresented(frames) {
  // A versus game ends when a player leaves; its flags are not the computer's win.
  if (frames % 30 !== 0 || !Game.running || Game.watching || Game.next || Game.versus) return;
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
function watchPath(fileName) {
  return '/watch/' + (fileName.split(/[\\/]/).pop() || 'replay.vrp').replace(/[^\w.\-]/g, '_');
}
function watchReplay(name, bytes, fileName = name) {
  const path = watchPath(fileName);
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
// is nothing to lose. The game reads the file first: one it refuses is told
// in its words, naming the player's file, and nothing is asked or ended.
export function watchAfterAsking(name, bytes) {
  const read = readReplay(bytes, name);
  if (read.error) return showMessage(`valdorik: ${read.error}`);
  if (!Game.running || Game.watching) return watchReplay(name, bytes);
  askToEndGame(name, () => watchReplay(name, bytes));
}

export function showReplays() { return listReplays(watchAfterAsking); }

// Said, in the game's words, of a file larger than any replay the game
// reads, which the page then never reads at all; '' of any other.
function tooLarge(name, size) {
  const largest = bridge.largestReplay();
  return size > largest ? `valdorik: ${name}: larger than ${largest} bytes: not a replay this game wrote` : '';
}

// A file the player picked or dropped.
export async function watchFile(file) {
  const refused = tooLarge(file.name, file.size);
  if (refused) return showMessage(refused);
  let bytes;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (e) {
    return showMessage(`valdorik: ${file.name}: cannot read: ${e.message || e}`);
  }
  watchAfterAsking(file.name, bytes);
}

// The recording up to the last pass played. The finished game's is kept in
// memory as well, so Download replay offers it even when the browser
// refuses to store it. At the limit of games kept, neither this game nor
// the one on offer to go on with is the one that goes.
async function storeRecording(final) {
  const rec = Game.recording;
  if (!rec) return;
  let bytes;
  try {
    bridge.flushRecording();
    bytes = bridge.files.read(rec.path);
  } catch (e) { return; }
  if (final) Game.lastReplay = {name: rec.name, bytes};
  if (rec.failed) return;
  try {
    await Replays.put(rec.name, bytes);
    await Replays.prune([rec.name, Game.onOffer && Game.onOffer.name]);
    if (final || !rec.listed) {
      rec.listed = true;
      showReplays();
    }
  } catch (e) {
    rec.failed = true;
    showMessage(`valdorik: this game is not kept in the browser: ${e.message || e}\n` +
                'Download replay keeps it when it ends.');
  }
}

setInterval(() => { if (Game.running) storeRecording(false); }, 2000);

// The tab hidden or left may never come back: the recording is stored now,
// and copied where the page writes at once. If the browser refuses the copy,
// the game is still stored every two seconds (unless storage failed too,
// which has been told).
function keepBeforeLeaving() {
  const rec = Game.recording;
  if (!Game.running || !rec) return;
  storeRecording(false);
  try {
    Interrupted.keepCopy(rec.name, bridge.files.read(rec.path));
  } catch (e) {
    if (!rec.copyRefused) {
      showMessage(`valdorik: this game is not copied for a tab that closes: ${e.message || e}` +
                  (rec.failed ? '' : '\nIf the tab closes, the game is kept up to two seconds before.'));
    }
    rec.copyRefused = true;
  }
}
addEventListener('pagehide', keepBeforeLeaving);
document.addEventListener('visibilitychange', () => { if (document.hidden) keepBeforeLeaving(); });

export function gameEnded(status) {
  Game.running = false;
  showKeysHint();
  hidePaused();
  storeRecording(true);
  if (Game.recording) Interrupted.ended();
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
  $('room').hidden = true;
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

// The page's first game: ?join=CODE joins a friend's room, ?replay=URL
// watches that replay, else a game starts.
export async function firstGame(join) {
  await offerInterrupted();
  if (Query.get('join')) return join(Query.get('join'));
  const url = Query.get('replay');
  if (!url) return playGame();
  let bytes;
  const notRead = (message) => {
    $('status').textContent = '';
    showMessage(message);
    document.body.dataset.game = 'ended';
    showEndPanel(`The replay ${url} could not be read.`);
  };
  $('status').textContent = `Reading ${url}...`;
  try {
    const response = await fetch(url);
    if (!response.ok) throw new Error(`the server answers ${response.status} ${response.statusText}`.trim());
    const refused = tooLarge(url, Number(response.headers.get('Content-Length')));
    if (refused) return notRead(refused);
    bytes = new Uint8Array(await response.arrayBuffer());
  } catch (e) {
    return notRead(`valdorik: ${url}: cannot be read: ${e.message || e}`);
  }
  const fileName = new URL(url, location.href).pathname;
  watchReplay(url, bytes, fileName);
}
