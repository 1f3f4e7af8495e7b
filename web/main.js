// The page around the game: it loads the game and starts the first game or
// replay, and wires the page's own buttons, keys and dropped files. The game
// itself runs in valdorik.js / valdorik.wasm (src/platform/web/), reached
// through bridge.js.
import * as bridge from './bridge.js';
import {useKeyCodes} from './controls.js';
import {hidePaused, showMessage, showPaused} from './dialogs.js';
import {downloadReplay, firstGame, framePresented, gameEnded, goOn, heardFromGame, playGame, showReplays, watchFile}
  from './games.js';
import {playSound} from './sound.js';
import {$, canvas, Query} from './state.js';
import './touch.js';
import {heardOnOutput, joinGame} from './versus.js';

// ---- Play without a network: the service worker keeps the site's files ----
// Browsers offer it only over https or from localhost; the game never waits
// for it, and a refusal is only told on the console.
function keepSiteForOffline() {
  if (!/^https?:$/.test(location.protocol) || !('serviceWorker' in navigator)) return;
  const refused = (e) => console.warn(`valdorik: the site is not kept for play without a network: ${e.message || e}`);
  try { navigator.serviceWorker.register('service-worker.js').catch(refused); } catch (e) { refused(e); }
}
addEventListener('load', keepSiteForOffline);

// ---- The page's controls ----
canvas.addEventListener('mousedown', () => canvas.focus());
canvas.addEventListener('contextmenu', (e) => e.preventDefault());
// Fullscreen takes the frame with its touch controls; Escape there only
// leaves fullscreen, as the browser promises, and never reaches the game.
// Alt+Enter switches it as in the desktop game: the game hears the keys, as
// every backend does, and asks the page (switchFullscreen).
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
$('download-replay').onclick = downloadReplay;
$('watch-file').onclick = () => $('replay-file').click();
$('go-on').onclick = goOn;
$('replay-file').onchange = (e) => {
  const file = e.target.files[0];
  e.target.value = '';
  if (file) watchFile(file);
};
addEventListener('dragover', (e) => { e.preventDefault(); document.body.classList.add('dropping'); });
addEventListener('dragleave', () => document.body.classList.remove('dropping'));
addEventListener('drop', (e) => {
  e.preventDefault();
  document.body.classList.remove('dropping');
  const file = e.dataTransfer.files[0];
  if (file) watchFile(file);
});

function hasWebGL() {
  try { return !!document.createElement('canvas').getContext('webgl'); } catch (e) { return false; }
}

// ---- The game ----
bridge.loadGame(canvas, {
  message: heardFromGame,
  output: heardOnOutput,
  sound: playSound,
  gameEnded,
  switchFullscreen,
  showPaused,
  hidePaused,
  presented: framePresented,
  ready: () => {
    bridge.files.makeFolder('/replays');
    bridge.files.makeFolder('/watch');
    useKeyCodes(bridge.keyCodes());
    showReplays();
    if (!hasWebGL()) {
      showMessage("ERROR: Can't Create A GL Rendering Context.\nThis browser offers no WebGL, which the game draws with.");
      document.body.dataset.game = 'ended';
      return;
    }
    // ?bench=1: no game; the figures script runs the rules alone (RulesSpeedWeb).
    if (Query.get('bench') === '1') document.body.dataset.game = 'bench';
    else firstGame(joinGame);
  },
});
