// The on-screen controls beside the frame (shown on touch screens): the
// left button (select; held, every frame is a try at 10 gold) and the right
// button at the square, and the game's keys. A control is held while the
// finger stays on it; Camera and Spin stay down until tapped again.
//
// data-button: a mouse button, data-key: a key by the game's name for it
// ("Up", "PageDown", "F1"...), both held while pressed; data-latch: a key
// that stays down until pressed again. The game gives the names' codes once
// it is loaded (useKeyCodes).
import * as bridge from './bridge.js';
import {canvas} from './state.js';

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
  else if (KeyOf.has(control)) bridge.key(KeyOf.get(control), down);
}

function controlDown(event) {
  const control = event.currentTarget;
  event.preventDefault();  // the canvas keeps the focus, and no mouse events follow
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

for (const control of Controls) {
  control.addEventListener('pointerdown', controlDown);
  for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) control.addEventListener(type, controlUp);
  control.addEventListener('contextmenu', (e) => e.preventDefault());
}
canvas.addEventListener('blur', releaseLatches);
