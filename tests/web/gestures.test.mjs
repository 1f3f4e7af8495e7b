// The fingers on the frame (web/gestures.js) without a browser: each case
// plays touch events through the recogniser and reads the game's events.
//   node --test tests/web/gestures.test.mjs
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {Buttons, NoFingers, recognise} from '../../web/gestures.js';

// The canvas at half the frame's size: a CSS pixel is two frame pixels.
const Canvas = {left: 100, top: 50, width: 320, height: 240, frameWidth: 640, frameHeight: 480};
const onCanvas = (x, y) => x >= 100 && x < 420 && y >= 50 && y < 290;

function deepFreeze(value) {
  if (value && typeof value === 'object') Object.values(Object.freeze(value)).forEach(deepFreeze);
  return value;
}

// Steps are [kind, time, ...fingers], a finger [id, x, y]; over the canvas as the page judges it.
// The states handed in are frozen: the recogniser must never change one.
function play(steps) {
  let state = NoFingers;
  const seen = [];
  for (const [kind, time, ...fingers] of steps) {
    const touches = fingers.map(([id, x, y]) => ({id, x, y, over: onCanvas(x, y)}));
    const result = recognise(deepFreeze(state), {kind, time, canvas: Canvas, touches});
    state = result.state;
    for (const e of result.events) {
      seen.push(e.kind === 'pointer' ? `pointer ${e.x},${e.y}`
                                     : `${e.button === Buttons.left ? 'left' : 'right'} ${e.down ? 'down' : 'up'}`);
    }
  }
  return seen;
}

const Tap = ['left down', 'left up'];

const cases = [
  // One finger aims; a quick, still touch is a left click where it is.
  ['a tap clicks where it lands', [['start', 0, [1, 110.3, 60.3]], ['end', 100, [1, 110.3, 60.3]]], ['pointer 20,20', ...Tap]],
  ['a tap of 299 ms clicks', [['start', 0, [1, 110, 60]], ['end', 299, [1, 110, 60]]], ['pointer 20,20', ...Tap]],
  ['a touch of 300 ms only aims', [['start', 0, [1, 110, 60]], ['end', 300, [1, 110, 60]]], ['pointer 20,20']],
  ['moving 12 px is still a tap', [['start', 0, [1, 110, 60]], ['move', 50, [1, 122, 60]], ['end', 90, [1, 122, 60]]],
   ['pointer 20,20', 'pointer 44,20', ...Tap]],
  ['moving past 12 px only aims', [['start', 0, [1, 110, 60]], ['move', 50, [1, 119, 68.1]], ['end', 90, [1, 119, 68.1]]],
   ['pointer 20,20', 'pointer 38,36']],
  ['coming back within 12 px after is no tap',
   [['start', 0, [1, 110, 60]], ['move', 20, [1, 140, 60]], ['move', 40, [1, 111, 60]], ['end', 60, [1, 111, 60]]],
   ['pointer 20,20', 'pointer 80,20', 'pointer 22,20']],
  ['the last CSS pixel of the canvas is on the frame', [['start', 0, [1, 419.99, 289.99]]], ['pointer 639,479']],

  // A second finger holds the right button at the square until lifted; the aim is then no tap.
  ['a second finger orders at the square',
   [['start', 0, [1, 110, 60]], ['start', 30, [2, 300, 200]], ['move', 40, [2, 310, 210]], ['end', 80, [2, 310, 210]],
    ['end', 100, [1, 110, 60]]],
   ['pointer 20,20', 'right down', 'right up']],
  ['the square follows the first finger while the right button is held',
   [['start', 0, [1, 110, 60]], ['start', 30, [2, 300, 200]], ['move', 40, [1, 150, 60]], ['end', 500, [1, 150, 60]],
    ['end', 600, [2, 300, 200]]],
   ['pointer 20,20', 'right down', 'pointer 100,20', 'right up']],
  ['two fingers landing together aim and order', [['start', 0, [1, 110, 60], [2, 300, 200]]],
   ['pointer 20,20', 'right down']],
  ['once the aiming finger is lifted a new one aims',
   [['start', 0, [1, 110, 60]], ['start', 10, [2, 300, 200]], ['end', 20, [1, 110, 60]], ['start', 30, [3, 120, 70]],
    ['end', 40, [3, 120, 70]], ['end', 50, [2, 300, 200]]],
   ['pointer 20,20', 'right down', 'pointer 40,40', ...Tap, 'right up']],

  // A third finger does nothing for as long as it is down, even once the second is lifted.
  ['a third finger does nothing',
   [['start', 0, [1, 110, 60]], ['start', 10, [2, 300, 200]], ['start', 20, [3, 200, 100]], ['move', 30, [3, 250, 150]],
    ['end', 40, [2, 300, 200]], ['end', 50, [3, 250, 150]], ['start', 60, [4, 200, 100]], ['end', 70, [4, 200, 100]]],
   ['pointer 20,20', 'right down', 'right up', 'right down', 'right up']],

  // A cancel ends the gesture whole: no click, nothing held, and the fingers still down do nothing.
  ['a cancelled tap is no click', [['start', 0, [1, 110, 60]], ['cancel', 50, [1, 110, 60]]], ['pointer 20,20']],
  ['a cancel lets the right button go at once',
   [['start', 0, [1, 110, 60]], ['start', 10, [2, 300, 200]], ['cancel', 20, [1, 110, 60]]],
   ['pointer 20,20', 'right down', 'right up']],
  ['the fingers a cancel leaves down do nothing',
   [['start', 0, [1, 110, 60]], ['start', 10, [2, 300, 200]], ['cancel', 20, [1, 110, 60]], ['move', 30, [1, 150, 60]],
    ['end', 40, [2, 300, 200]], ['end', 50, [1, 150, 60]]],
   ['pointer 20,20', 'right down', 'right up']],
  ['after a cancel a new finger aims and taps',
   [['start', 0, [1, 110, 60]], ['cancel', 10, [1, 110, 60]], ['start', 20, [2, 120, 70]], ['end', 30, [2, 120, 70]]],
   ['pointer 20,20', 'pointer 40,40', ...Tap]],
  ['a cancel of a finger that did nothing changes nothing',
   [['start', 0, [1, 110, 60]], ['start', 10, [2, 300, 200]], ['start', 20, [3, 200, 100]], ['cancel', 30, [3, 200, 100]],
    ['move', 40, [1, 150, 60]], ['end', 50, [2, 300, 200]]],
   ['pointer 20,20', 'right down', 'pointer 100,20', 'right up']],

  // Off the canvas the square stays at the finger's last place on the frame, and the touch is no tap.
  ['a finger leaving the canvas leaves the square behind',
   [['start', 0, [1, 110, 60]], ['move', 10, [1, 90, 60]], ['move', 20, [1, 50, 40]], ['move', 30, [1, 130, 60]]],
   ['pointer 20,20', 'pointer 60,20']],
  ['a finger lifted just off the canvas is no tap', [['start', 0, [1, 102, 60]], ['end', 50, [1, 99, 60]]],
   ['pointer 4,20']],
  ['a finger out and back within 12 px is no tap',
   [['start', 0, [1, 102, 60]], ['move', 10, [1, 99, 60]], ['move', 20, [1, 102, 60]], ['end', 30, [1, 102, 60]]],
   ['pointer 4,20', 'pointer 4,20']],
  ['a finger put down off the canvas neither aims nor orders',
   [['start', 0, [1, 60, 60]], ['move', 10, [1, 110, 60]], ['start', 20, [2, 120, 70]], ['start', 30, [3, 300, 200]],
    ['end', 40, [1, 110, 60]], ['end', 50, [3, 300, 200]]],
   ['pointer 40,40', 'right down', 'right up']],
];

for (const [name, steps, expected] of cases) {
  test(name, () => assert.deepEqual(play(steps), expected));
}
