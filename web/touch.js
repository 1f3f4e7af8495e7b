// Fingers on the canvas: the browser's touch events, given to the gesture
// recogniser (gestures.js, which says what each gesture does) as plain
// objects, and what it makes of them done through the game's own inputs:
// the pointer, a button for a tap, and the zoom and scroll keys held until
// the view is where a pinch took it. So a game played by touch records and
// replays as any other.
import * as bridge from './bridge.js';
import {aimAt, aimedCell} from './aim.js';
import {courseTo, keyPresses, NoFingers, pinchTarget, recognise, tapButton, zoomControlTarget} from './gestures.js';
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

const playing = () => document.body.dataset.game === 'running';

// The view in a state of the game (gestures.js's view), and as the game has it now.
function viewIn(state) {
  const [zoom, tilt, , spin] = state.camera;
  return {zoom, tilt, spin, x: state.map_sx, y: state.map_sy};
}
const viewNow = () => viewIn(bridge.gameState());

// ---- The view, steered by the game's keys ----
// The game is looked at as each frame is presented, after the rules of that
// pass and before its keys (gestures.js keyPresses); passes it runs without
// a frame, when behind, go by unseen.
let course = null;       // where the view is going (gestures.js courseTo)
const held = new Set();  // the keys (by name) held for it
let lastLook = null;     // the pass of the last look on the course
let passesPerLook = 2;   // as last seen
let tapped = [];         // the keys tapped at the last look
let waiting = [];        // what waits for the game's next pass: {after (pass), then()}

function letGo(name) {
  held.delete(name);
  bridge.key(bridge.keyCodes()[name], false);
}

// A key tapped at the last look, a pass ago, acts in the pass under way, as a held one does.
function look() {
  const state = bridge.gameState();
  const acting = lastLook !== null && state.pass === lastLook + 1 ? [...held, ...tapped] : [...held];
  if (lastLook !== null && state.pass > lastLook) passesPerLook = state.pass - lastLook;
  lastLook = state.pass;
  const {hold, tap} = keyPresses(course, viewIn(state), acting, passesPerLook);
  tapped = tap;
  for (const name of held) if (!hold.includes(name)) letGo(name);
  const codes = bridge.keyCodes();
  for (const name of hold) if (!held.has(name)) { held.add(name); bridge.key(codes[name], true); }
  for (const name of tap) { bridge.key(codes[name], true); bridge.key(codes[name], false); }
  if (!hold.length && !tap.length) course = null;
}

// Takes the view towards a target ({zoom, x, y}, any left out), or, with
// null, lets it stay where it is.
export function steerView(target) {
  const same = target && course && Object.keys(target).every((axis) => course[axis]?.to === target[axis]);
  if (same) return;
  course = target && playing() ? courseTo(viewNow(), target) : null;
  lastLook = null;
  if (!course) for (const name of held) letGo(name);
}

// A Zoom control: 'in' or 'out' while held, null once let go.
export function holdZoom(way) {
  steerView(way && playing() ? zoomControlTarget(viewNow().zoom, way === 'in') : null);
}

bridge.followGame({
  presented: () => {
    if (!playing()) return;
    if (course) look();
    if (!waiting.length) return;
    const pass = bridge.gameState().pass;
    const due = waiting.filter((w) => pass > w.after);
    waiting = waiting.filter((w) => pass <= w.after);
    for (const w of due) w.then();
  },
  gameEnded: () => { course = null; held.clear(); waiting = []; },
});
// The game lets every key go when the canvas loses the focus.
canvas.addEventListener('blur', () => { course = null; held.clear(); });

// ---- Taps ----
// A quick tap presses the button the cell calls for (gestures.js
// tapButton). Without a cell from the aim, the game's own pointer cell is
// read once it has taken the pointer sent with the tap.
function press(which) {
  bridge.button(which, true);
  bridge.button(which, false);
}
function tap() {
  if (!playing()) return;
  const cell = aimedCell();
  if (cell) return press(tapButton(cell, bridge.gameState().units));
  waiting.push({after: bridge.gameState().pass, then: () => {
    const state = bridge.gameState();
    press(tapButton({x: state.map_ex, y: state.map_ey}, state.units));
  }});
}

// ---- The fingers' gestures ----
let pinchedFrom = null;  // the view as the two fingers landed
const Gestures = {
  pointer: (e) => aimAt(e.x, e.y),
  tap,
  pinch: (e) => {
    if (!playing()) return;
    pinchedFrom ??= viewNow();
    steerView(pinchTarget(pinchedFrom, e));
  },
  'pinch-end': (e) => {
    pinchedFrom = null;
    if (!e.kept) steerView(null);
  },
};

// The browser's own panning, zooming and long-press menu stay off the canvas.
function onCanvasTouch(event) {
  event.preventDefault();
  if (event.type === 'touchstart') canvas.focus();
  const seen = recognise(fingers, touchEvent(event));
  fingers = seen.state;
  for (const e of seen.events) Gestures[e.kind](e);
}
for (const type of Object.keys(Kinds)) canvas.addEventListener(type, onCanvasTouch, {passive: false});
