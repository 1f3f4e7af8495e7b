// What the page tells and asks over and beside the frame: the desktop's
// stderr lines, the end panel, the question before a replay ends a game,
// the paused picture and the hint that the keys are elsewhere.
import {$, byInput, canvas, Game} from './state.js';

// ---- Messages: the desktop's stderr lines, shown on the page ----
export function showMessage(text) {
  const line = document.createElement('div');
  line.textContent = text;
  $('messages').appendChild(line);
}
export function clearMessages() { $('messages').textContent = ''; }

// The desktop names a file by its path; the page's paths are its own copies
// (/watch/..., /replays/...), so the player reads the name they chose, or
// the address they gave, instead.
export function inPlayersWords(text) {
  const file = Game.fileShown;
  return file ? text.split(file.path).join(file.name) : text;
}

// ---- The end panel: what ended, the way on, and the game's replay to keep ----
// Over a decided game still running the keys stay with the game (F1,
// Escape), and Download replay ends it first: its recording is whole then.
export function showEndPanel(text) {
  $('end-text').textContent = text;
  $('play-again').textContent = Game.recording ? 'Play again' : 'New game';
  $('download-replay').hidden = !(Game.recording && (Game.lastReplay || Game.running));
  $('end-panel').hidden = false;
  if (!Game.running) $('play-again').focus();
}
export function hideEndPanel() { $('end-panel').hidden = true; }

// ---- A replay chosen while a game is played: the player is asked first ----
// In a dialog of the page's own: window.confirm would stop the page's
// script, and with it the game's loop and the storing of its recording,
// until answered.
let watchIfEnded = null;  // what to do if the player ends the game
export function askToEndGame(name, watch) {
  watchIfEnded = watch;
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

// ---- The paused picture: the game's words over its last frame, darkened ----
// `overlay` holds the words, rows bottom first; a pixel of them shows where
// its alpha passes the game's alpha test (more than a tenth), the darkening
// everywhere else.
export function showPaused(overlay, width, height, dimming) {
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
  $('status').textContent = byInput('Paused; P goes on.', 'Paused; the Pause button goes on.');
}
export function hidePaused() {
  $('paused').hidden = true;
  if (Game.statusBeforePause !== null) $('status').textContent = Game.statusBeforePause;
  Game.statusBeforePause = null;
}

// ---- The keys: the game hears them only while the canvas has the focus ----
// Said while a game runs and the focus is elsewhere on the page (a click in
// its margin, Tab); not while the whole window is away, as the canvas keeps
// the focus then.
export function showKeysHint() {
  $('keys-hint').hidden = !(Game.running && document.activeElement !== canvas);
}
canvas.addEventListener('focus', showKeysHint);
canvas.addEventListener('blur', () => setTimeout(showKeysHint));  // once the focus has landed
