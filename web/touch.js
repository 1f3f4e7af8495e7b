// Fingers on the canvas: the browser's touch events, given to the gesture
// recogniser (gestures.js, which says what each gesture does) as plain
// objects, and the pointer moves and button presses it makes sent to the
// game. So a game played by touch records and replays as any other.
import * as bridge from './bridge.js';
import {aimAt} from './aim.js';
import {NoFingers, recognise} from './gestures.js';
import {canvas} from './state.js';

const Kinds = {touchstart: 'start', touchmove: 'move', touchend: 'end', touchcancel: 'cancel'};
let fingers = NoFingers;

function touchEvent(event) {
  const box = canvas.getBoundingClientRect();
  const over = (x, y) => x >= box.left && x < box.right && y >= box.top && y < box.bottom;
  return {
    kind: Kinds[event.type],
    time: event.timeStamp,
    canvas: {left: box.left, top: box.top, width: box.width, height: box.height,
             frameWidth: canvas.width, frameHeight: canvas.height},
    touches: Array.from(event.changedTouches, (t) => ({id: t.identifier, x: t.clientX, y: t.clientY,
                                                        over: over(t.clientX, t.clientY)})),
  };
}

// The browser's own panning, zooming and long-press menu stay off the canvas.
function onCanvasTouch(event) {
  event.preventDefault();
  if (event.type === 'touchstart') canvas.focus();
  const seen = recognise(fingers, touchEvent(event));
  fingers = seen.state;
  for (const e of seen.events) {
    if (e.kind === 'pointer') aimAt(e.x, e.y);
    else bridge.button(e.button, e.down);
  }
}
for (const type of Object.keys(Kinds)) canvas.addEventListener(type, onCanvasTouch, {passive: false});
