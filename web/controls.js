// The on-screen controls beside the frame (shown on touch screens): the
// left button (select; held, every frame is a try at 10 gold) and the right
// button at the square, and the game's keys. A control is held while the
// finger stays on it; Camera and Spin stay down until tapped again.
//
// data-button: a mouse button, data-key: a key by the game's name for it
// ("Up", "PageDown", "F1"...), both held while pressed; data-latch: a key
// that stays down until pressed again; data-zoom ("in" or "out"): the zoom
// keys, held towards that end of touch's zoom range (gestures.js TouchZoom)
// and let go there. The game gives the names' codes once it is loaded
// (useKeyCodes).
import * as bridge from './bridge.js';
import {$, canvas} from './state.js';
import {holdZoom} from './touch.js';

const Controls = document.querySelectorAll('#controls button');
const KeyOf = new Map();  // control -> the game's code for its key

// A control naming a key the game does not have is turned off, and said on the console.
export function useKeyCodes(codes) {
  for (const control of Controls) {
    const name = control.dataset.key ?? control.dataset.latch;
    if (name === undefined) continue;
    if (Object.hasOwn(codes, name)) {
      KeyOf.set(control, codes[name]);
    } else {
      control.disabled = true;
      console.error(`valdorik: the control "${control.textContent}" names a key the game does not have: "${name}"`);
    }
  }
}

function press(control, down) {
  if (control.dataset.button !== undefined) bridge.button(Number(control.dataset.button), down);
  else if (control.dataset.zoom) holdZoom(down ? control.dataset.zoom : null);
  else if (KeyOf.has(control)) bridge.key(KeyOf.get(control), down);
}

// ---- New game and End ask first on touch screens ----
// A stray finger there would end the game; a keyboard's F1 and Escape do
// not ask. The question is the page's own dialog: window.confirm would stop
// the page's script, and with it the game. The dialog takes the focus, and
// with it the game lets every key go: Keep playing gives the latches back.
const Asks = {F1: ['Start a new game? This one ends.', 'New game'], Escape: ['End this game?', 'End it']};
const coarse = matchMedia('(pointer: coarse)');

function askFirst(control) {
  const dialog = $('touch-ask');
  const latched = [...document.querySelectorAll('#controls [data-latch][aria-pressed="true"]')];
  [$('touch-ask-text').textContent, $('touch-ask-yes').textContent] = Asks[control.dataset.key];
  dialog.returnValue = '';  // Escape answers Keep playing
  dialog.onclose = () => {
    canvas.focus();
    if (dialog.returnValue === 'yes') {
      press(control, true);
      press(control, false);
      return;
    }
    for (const latch of latched) {
      latch.setAttribute('aria-pressed', 'true');
      press(latch, true);
    }
  };
  dialog.showModal();
}

function controlDown(event) {
  const control = event.currentTarget;
  event.preventDefault();  // the canvas keeps the focus, and no mouse events follow
  if (coarse.matches && Object.hasOwn(Asks, control.dataset.key ?? '')) {
    askFirst(control);
    return;
  }
  if (control.dataset.latch !== undefined) {
    const on = control.getAttribute('aria-pressed') !== 'true';
    control.setAttribute('aria-pressed', String(on));
    press(control, on);
    return;
  }
  if (control.classList.contains('held')) return;
  control.setPointerCapture(event.pointerId);
  control.classList.add('held');
  control.heldSince = event.timeStamp;
  press(control, true);
}

// The game looks at some keys only now and then (the view jumps at its
// 30-frame count): their controls stay down at least data-min-ms, so that a
// tap is seen.
function controlUp(event) {
  const control = event.currentTarget;
  if (!control.classList.contains('held')) return;
  const release = () => {
    control.classList.remove('held');
    press(control, false);
  };
  const left = Number(control.dataset.minMs || 0) - (event.timeStamp - control.heldSince);
  if (left > 0) setTimeout(release, left); else release();
}

// A new game starts with nothing held, and the game lets every key go when
// the canvas loses the focus: latched keys come up with them.
export function releaseLatches() {
  for (const latch of document.querySelectorAll('#controls [data-latch]')) latch.setAttribute('aria-pressed', 'false');
}

// A finger on the controls' box beside a control (the help text, a gap)
// leaves the focus, and so the keys and the latches, with the game.
$('controls').addEventListener('pointerdown', (e) => e.preventDefault());
for (const control of Controls) {
  control.addEventListener('pointerdown', controlDown);
  for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) control.addEventListener(type, controlUp);
  control.addEventListener('contextmenu', (e) => e.preventDefault());
}
canvas.addEventListener('blur', releaseLatches);
