// The fingers on the frame (web/gestures.js) without a browser: each case
// plays touch events through the recogniser and reads the game's events.
//   node --test tests/web/gestures.test.mjs
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {Buttons, courseTo, keyPresses, NoFingers, pinchTarget, recognise, tapButton, zoomControlTarget}
  from '../../web/gestures.js';

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
    for (const e of result.events) seen.push(told(e));
  }
  return seen;
}

const told = (e) => ({
  pointer: () => `pointer ${e.x},${e.y}`,
  tap: () => 'tap',
  pinch: () => `pinch ${e.scale.toFixed(2)} ${e.from.x},${e.from.y} > ${e.to.x},${e.to.y}`,
  'pinch-end': () => `pinch-end ${e.kept ? 'kept' : 'dropped'}`,
})[e.kind]();
const Tap = ['tap'];

const cases = [
  // One finger aims; a quick, still touch is a tap where it is.
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

  // A second finger ends the aim and its tap: the two pinch and drag, and never press a button.
  // The canvas's centre is at CSS (260, 170); a CSS pixel is two frame pixels.
  ['a second finger pinches, and the pair is no tap',
   [['start', 0, [1, 160, 170]], ['start', 30, [2, 360, 170]], ['move', 40, [1, 110, 170]], ['end', 80, [2, 360, 170]],
    ['end', 100, [1, 110, 170]]],
   ['pointer 120,240', 'pinch 1.00 0,0 > 0,0', 'pinch 1.25 0,0 > -50,0', 'pinch-end kept']],
  ['a drag zooms only once the spread has changed by more than 30 px',
   [['start', 0, [1, 160, 170], [2, 360, 170]], ['move', 40, [1, 180, 170]], ['move', 50, [1, 200, 170]]],
   ['pointer 120,240', 'pinch 1.00 0,0 > 0,0', 'pinch 1.00 0,0 > 20,0', 'pinch 0.80 0,0 > 40,0']],
  ['two fingers moved together in one event are one drag',
   [['start', 0, [1, 160, 170], [2, 360, 170]], ['move', 40, [1, 180, 190], [2, 380, 190]]],
   ['pointer 120,240', 'pinch 1.00 0,0 > 0,0', 'pinch 1.00 0,0 > 40,40']],
  ['the finger left after a pinch, and a third, do nothing until lifted',
   [['start', 0, [1, 110, 60]], ['start', 10, [2, 300, 200]], ['start', 20, [3, 200, 100]], ['move', 30, [3, 250, 150]],
    ['end', 40, [3, 250, 150]], ['end', 50, [2, 300, 200]], ['move', 60, [1, 150, 60]], ['start', 70, [4, 200, 100]],
    ['end', 80, [4, 200, 100]], ['end', 90, [1, 150, 60]]],
   ['pointer 20,20', 'pinch 1.00 -110,-80 > -110,-80', 'pinch-end kept', 'pointer 200,100', ...Tap]],

  // A cancel ends the gesture whole: no click, nothing held, and the fingers still down do nothing.
  ['a cancelled tap is no click', [['start', 0, [1, 110, 60]], ['cancel', 50, [1, 110, 60]]], ['pointer 20,20']],
  ['a cancel stops the pinch, and the fingers it leaves down do nothing',
   [['start', 0, [1, 110, 60]], ['start', 10, [2, 300, 200]], ['cancel', 20, [1, 110, 60]], ['move', 30, [2, 150, 60]],
    ['end', 40, [2, 150, 60]], ['end', 50, [1, 110, 60]]],
   ['pointer 20,20', 'pinch 1.00 -110,-80 > -110,-80', 'pinch-end dropped']],
  ['after a cancel a new finger aims and taps',
   [['start', 0, [1, 110, 60]], ['cancel', 10, [1, 110, 60]], ['start', 20, [2, 120, 70]], ['end', 30, [2, 120, 70]]],
   ['pointer 20,20', 'pointer 40,40', ...Tap]],
  ['a cancel of a finger that did nothing changes nothing',
   [['start', 0, [1, 110, 60]], ['start', 10, [2, 300, 200]], ['start', 20, [3, 200, 100]], ['cancel', 30, [3, 200, 100]],
    ['move', 40, [1, 150, 60]], ['end', 50, [2, 300, 200]]],
   ['pointer 20,20', 'pinch 1.00 -110,-80 > -110,-80', 'pinch 0.87 -110,-80 > -70,-80', 'pinch-end kept']],

  // Off the canvas the square stays at the finger's last place on the frame, and the touch is no tap.
  ['a finger leaving the canvas leaves the square behind',
   [['start', 0, [1, 110, 60]], ['move', 10, [1, 90, 60]], ['move', 20, [1, 50, 40]], ['move', 30, [1, 130, 60]]],
   ['pointer 20,20', 'pointer 60,20']],
  ['a finger lifted just off the canvas is no tap', [['start', 0, [1, 102, 60]], ['end', 50, [1, 99, 60]]],
   ['pointer 4,20']],
  ['a finger out and back within 12 px is no tap',
   [['start', 0, [1, 102, 60]], ['move', 10, [1, 99, 60]], ['move', 20, [1, 102, 60]], ['end', 30, [1, 102, 60]]],
   ['pointer 4,20', 'pointer 4,20']],
  ['a finger put down off the canvas neither aims nor pinches',
   [['start', 0, [1, 60, 60]], ['move', 10, [1, 110, 60]], ['start', 20, [2, 120, 70]], ['start', 30, [3, 300, 200]],
    ['end', 40, [1, 110, 60]], ['end', 50, [3, 300, 200]]],
   ['pointer 40,40', 'pinch 1.00 -100,-70 > -100,-70', 'pinch-end kept']],
];

for (const [name, steps, expected] of cases) {
  test(name, () => assert.deepEqual(play(steps), expected));
}

// The tap's button by what stands on the cell: a unit row as the state dump gives it.
const unit = (owner, x, y, dead = 0) => [7, owner, x, y, 0, 0, 0, 0, -1, 0, 3, 1, 0, 0, 10, 10, dead, 1];
const [You, Computer, NoOne] = [0, 1, 2];
const taps = [
  ['a creature no one owns: a try at recruiting', [unit(NoOne, 5, 6)], Buttons.left],
  ['your unit: select', [unit(You, 5, 6)], Buttons.left],
  ['your unit beside the computer\'s: select', [unit(Computer, 5, 6), unit(You, 5, 6)], Buttons.left],
  ['empty ground, a creature next to it: move', [unit(NoOne, 6, 6), unit(You, 5, 5)], Buttons.right],
  ['the computer\'s unit: attack', [unit(Computer, 5, 6)], Buttons.right],
  ['only the dead: move', [unit(You, 5, 6, 1), unit(NoOne, 5, 6, 1)], Buttons.right],
];
for (const [name, units, expected] of taps) {
  test(`a tap on ${name}`, () => assert.equal(tapButton({x: 5, y: 6}, units), expected));
}

// Where a pinch takes the view, worked out by hand: at zoom -30 a cell across
// the frame's middle is 240 / tan(22.5°) / 30 = 19.31 frame pixels wide, and
// its rows, tilted 45°, 13.66 high.
const View = {zoom: -30, tilt: -45, turn: 0, spin: 0, x: 32, y: 32};
const pinches = [
  ['spread by a fifth, nearer', View, {scale: 1.2, from: {x: 0, y: 0}, to: {x: 0, y: 0}}, {zoom: -25, x: 32, y: 32}],
  ['spread far, to the nearest end', View, {scale: 3, from: {x: 0, y: 0}, to: {x: 0, y: 0}}, {zoom: -23, x: 32, y: 32}],
  ['from beyond the range, never further out', {...View, zoom: -45}, {scale: 0.9, from: {x: 0, y: 0}, to: {x: 0, y: 0}},
   {zoom: -45, x: 32, y: 32}],
  ['dragged 100 px right: the floor follows, 5.2 cells', View, {scale: 1, from: {x: 0, y: 0}, to: {x: 100, y: 0}},
   {zoom: -30, x: 27, y: 32}],
  ['dragged 100 px down: 7.3 rows', View, {scale: 1, from: {x: 0, y: 0}, to: {x: 0, y: 100}}, {zoom: -30, x: 32, y: 39}],
  ['dragged right with the view spun a quarter turn', {...View, spin: 90},
   {scale: 1, from: {x: 0, y: 0}, to: {x: 100, y: 0}}, {zoom: -30, x: 32, y: 37}],
  ['spread round a point right of the middle: the view goes towards it', View,
   {scale: 1.2, from: {x: 100, y: 0}, to: {x: 100, y: 0}}, {zoom: -25, x: 33, y: 32}],
];
for (const [name, view, pinch, expected] of pinches) {
  test(`a pinch ${name}`, () => assert.deepEqual(pinchTarget(view, pinch), expected));
}

// The keys on a course, as the view goes: a key held moves its value in the pass under way, and held on,
// in each pass before the next look; near the end a key is tapped, a step a look; never back.
test('the keys take the view to its target and let go there', () => {
  const course = courseTo(View, {zoom: -23, x: 30, y: 35});
  const all = ['PageDown', 'Left', 'Up'];
  const steps = [[View, [], 1, all, []], [{zoom: -23.5, x: 32, y: 32}, all, 1, all, []],
                 [{zoom: -23.5, x: 31, y: 33}, all, 4, [], ['PageDown', 'Up']],
                 [{zoom: -23.28, x: 31, y: 34}, all, 2, [], ['PageDown']], [{zoom: -23.1, x: 30, y: 35}, [], 2, [], ['PageDown']],
                 [{zoom: -23.04, x: 30, y: 35}, [], 2, [], []], [{zoom: -22.5, x: 29, y: 36}, [], 1, [], []]];
  for (const [view, held, passes, hold, tap] of steps) assert.deepEqual(keyPresses(course, view, held, passes), {hold, tap});
});
test('a Zoom control goes only its own way, to its end of the range', () => {
  const cases = [[-30, true, 'PageDown', -23.04], [-30, false, 'PageUp', -36.96], [-45, false, null, -45],
                 [-45, true, 'PageDown', -23.04]];
  for (const [zoom, inwards, key, end] of cases) {
    const course = courseTo({zoom}, zoomControlTarget(zoom, inwards));
    assert.deepEqual([keyPresses(course, {zoom}, [], 1).hold, keyPresses(course, {zoom: end}, [], 1).hold],
                     [key ? [key] : [], []]);
  }
});
