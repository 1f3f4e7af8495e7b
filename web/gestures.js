// The fingers on the frame, turned into what the page does with the game:
// the pointer at a frame pixel, a tap there, and the view pinched or
// dragged. Pure functions of the fingers so far and one touch event, and of
// the game's state the page reads; web/touch.js feeds them the browser's
// touch events and does what they say.
//
//   recognise(state, touchEvent) -> {state, events}
//
// state: NoFingers at first, then the state the last call returned (never
// changed in place).
// touchEvent: {kind: 'start' | 'move' | 'end' | 'cancel', time (ms),
//   canvas: {left, top, width, height, frameWidth, frameHeight}: the canvas's
//     box on the page (CSS pixels) and the size of the game's frame (pixels),
//   touches: [{id, x, y, over}]: the fingers this event changes, by the
//     browser's identifier, where they are (CSS pixels, as clientX/clientY),
//     and whether that is over the canvas}
// events, in order:
//   {kind: 'pointer', x, y}: the game's pointer to frame pixel (x, y);
//   {kind: 'tap'}: a quick tap at the pointer (tapButton says which button);
//   {kind: 'pinch', scale, from, to}: two fingers since they came down: how
//     far apart they are now over how far apart they were, and their middle
//     then and now, in frame pixels from the frame's centre (y down); the
//     first comes as they land (scale 1, to = from);
//   {kind: 'pinch-end', kept}: the two fingers are done; kept: the view goes
//     on to where they took it (a finger lifted), or not (a cancel).
//
// How an order is given, so that it can never be taken for a pinch: one
// finger, a quick tap. Two fingers never press a button.
// - One finger aims: the red square follows it, and lifting it does nothing,
//   so the player can see the square before acting.
// - A quick tap (lifted within TapMs, having moved no more than TapSlopPx)
//   acts by what stands on the cell: on a creature no one owns, or on a
//   living unit of yours, it is the left button (one try at recruiting;
//   select); on empty ground or the computer's unit, the right button (the
//   selected unit moves there, or attacks).
// - A second finger, put down while the first is on the frame, ends the
//   first's aim and tap: the two drag the view (it pans with them) and, once
//   their spread has changed by PinchSlopPx, pinch it (it zooms) until one is
//   lifted; the other then does nothing until lifted.
// - A third finger, while two are down, does nothing until it is lifted.
// - A finger that leaves the canvas no longer moves the square, which stays
//   where that finger last was on the frame, and its touch is no tap; back on
//   the canvas it aims again. A finger put down off the canvas does nothing.
// - A cancel (the browser taking the fingers for itself) ends the gesture
//   whole: no tap, the view stops, and the fingers still down do nothing
//   more until lifted.

export const TapMs = 300;     // a touch shorter than this, and
export const TapSlopPx = 12;  // moving no more than this (CSS pixels), is a tap
// Two fingers drag the view at a spread of their own; they zoom once it has
// changed by more than this (CSS pixels), so that a drag does not zoom too.
export const PinchSlopPx = 30;
export const Buttons = Object.freeze({left: 0, right: 2});

// aim: {id, x, y, at, tap, now}: the finger that aims, where and when it
// went down, whether it may still be a tap, and where it is now. pair: the
// two fingers that pinch, [{id, x, y}, {id, x, y}] in frame pixels from the
// centre, their spread and middle as they landed, and whether they zoom yet.
export const NoFingers = Object.freeze({aim: null, pair: null});

// A point of the canvas in frame pixels: from its top left, and from its centre.
function framePixel(canvas, x, y) {
  const column = Math.floor((x - canvas.left) * canvas.frameWidth / canvas.width);
  const row = Math.floor((y - canvas.top) * canvas.frameHeight / canvas.height);
  return {kind: 'pointer', x: Math.min(column, canvas.frameWidth - 1), y: Math.min(row, canvas.frameHeight - 1)};
}
function fromCentre(canvas, touch) {
  return {id: touch.id, x: (touch.x - canvas.left - canvas.width / 2) * canvas.frameWidth / canvas.width,
          y: (touch.y - canvas.top - canvas.height / 2) * canvas.frameHeight / canvas.height};
}

const spread = ([a, b]) => Math.hypot(a.x - b.x, a.y - b.y);
const middle = ([a, b]) => ({x: (a.x + b.x) / 2, y: (a.y + b.y) / 2});
const pinched = (pair) => ({kind: 'pinch', scale: pair.zooms ? spread(pair.fingers) / pair.spread : 1,
                            from: pair.middle, to: middle(pair.fingers)});

function fingerDown(state, touch, event, events) {
  if (!touch.over || state.pair) return state;
  if (!state.aim) {
    events.push(framePixel(event.canvas, touch.x, touch.y));
    return {...state, aim: {id: touch.id, x: touch.x, y: touch.y, at: event.time, tap: true, now: touch}};
  }
  const fingers = [fromCentre(event.canvas, state.aim.now), fromCentre(event.canvas, touch)];
  const pair = {fingers, spread: spread(fingers), middle: middle(fingers), zooms: false};
  events.push(pinched(pair));
  return {aim: null, pair};
}

// The pair's fingers moved together are one pinch: recognise tells it once.
function fingerMoved(state, touch, event, events) {
  if (state.pair) {
    const pair = state.pair;
    const moved = pair.fingers.map((f) => (f.id === touch.id ? fromCentre(event.canvas, touch) : f));
    if (moved.every((f, i) => f === pair.fingers[i])) return state;
    const change = Math.abs(spread(moved) - pair.spread) * event.canvas.width / event.canvas.frameWidth;
    return {...state, pair: {...pair, fingers: moved, zooms: pair.zooms || (pair.spread > 0 && change > PinchSlopPx)}};
  }
  const aim = state.aim;
  if (!aim || touch.id !== aim.id) return state;
  const still = touch.over && Math.hypot(touch.x - aim.x, touch.y - aim.y) <= TapSlopPx;
  if (touch.over) events.push(framePixel(event.canvas, touch.x, touch.y));
  return {...state, aim: {...aim, tap: aim.tap && still, now: touch}};
}

function fingerUp(state, touch, event, events) {
  if (state.pair && state.pair.fingers.some((f) => f.id === touch.id)) {
    events.push({kind: 'pinch-end', kept: true});
    return NoFingers;
  }
  if (state.aim && touch.id === state.aim.id) {
    if (state.aim.tap && touch.over && event.time - state.aim.at < TapMs) events.push({kind: 'tap'});
    return {...state, aim: null};
  }
  return state;
}

function cancelled(state, event, events) {
  const ids = [state.aim?.id, ...(state.pair?.fingers.map((f) => f.id) ?? [])];
  if (!event.touches.some((t) => ids.includes(t.id))) return state;
  if (state.pair) events.push({kind: 'pinch-end', kept: false});
  return NoFingers;
}

const Steps = {start: fingerDown, move: fingerMoved, end: fingerUp};

export function recognise(state, event) {
  const events = [];
  if (event.kind === 'cancel') return {state: cancelled(state, event, events), events};
  const step = Steps[event.kind];
  if (!step) throw new Error(`no touch event of kind "${event.kind}"`);
  const pair = state.pair;
  for (const touch of event.touches) state = step(state, touch, event, events);
  if (event.kind === 'move' && state.pair !== pair) events.push(pinched(state.pair));
  return {state, events};
}

// ---- The tap's button ----
// A unit as the game's state dump lists it: [id, owner, x, y, ..., dead (16), ...].
const Unit = Object.freeze({owner: 1, x: 2, y: 3, dead: 16});
const Owners = Object.freeze({player: 0, neutral: 2});

// The button a quick tap on map cell {x, y} gives, by the units standing there.
export function tapButton(cell, units) {
  const leftActs = units.some((u) => u[Unit.x] === cell.x && u[Unit.y] === cell.y && u[Unit.dead] === 0 &&
                                     (u[Unit.owner] === Owners.player || u[Unit.owner] === Owners.neutral));
  return leftActs ? Buttons.left : Buttons.right;
}

// ---- The view: where a pinch takes it, and the keys that take it there ----
// The game zooms and scrolls only by its keys: Page Down brings the camera
// ZoomStep nearer each pass, Page Up takes it as far back, and an arrow
// (without Shift) moves the view's origin a cell, with a pause after it.
// view: {zoom, tilt, spin, x, y}: the game's camera (degrees) and the map
// cell at the middle of the frame.
export const ZoomStep = 0.12;
// Touch keeps the zoom within reach of the new game's -30 in about a second
// of held keys (7 / 0.12 = 58 passes, 0.97 s at 60 a second): a pinch that
// goes further, or a Zoom control held on, stops at the end.
export const TouchZoom = Object.freeze({farthest: -37, nearest: -23});

// Frame pixels a unit of the scene spans at a unit's distance: the game's
// 45-degree field of view over its 480-pixel-high frame.
const FocalPx = 240 / Math.tan(Math.PI / 8);
const radians = (degrees) => degrees * Math.PI / 180;

// The map offset, in cells, from the frame's centre to a point near it (frame
// pixels from the centre, y down), as the camera shows the floor there: the
// tilt shortens its rows and the spin turns it (the camera's turn, which
// leans the floor sideways, is left out: the new game has none).
function cellsFromCentre(point, view) {
  const perCell = FocalPx / -view.zoom;
  const cos = Math.cos(radians(view.tilt));
  const across = point.x / perCell;
  const up = -point.y / (perCell * (Math.abs(cos) < 0.1 ? Math.sign(cos || 1) * 0.1 : cos));
  const spin = radians(view.spin);
  return {x: across * Math.cos(spin) + up * Math.sin(spin), y: up * Math.cos(spin) - across * Math.sin(spin)};
}

// Where a pinch takes the view the game had as the fingers landed: the zoom
// by the fingers' spread (the floor looks as much larger as the camera is
// nearer), kept within TouchZoom (never further out of it than it was), and
// the origin such that the cell under the fingers' middle then is under it now.
export function pinchTarget(view, pinch) {
  const zoom = Math.min(Math.max(view.zoom / pinch.scale, Math.min(TouchZoom.farthest, view.zoom)),
                        Math.max(TouchZoom.nearest, view.zoom));
  const held = cellsFromCentre(pinch.from, view), now = cellsFromCentre(pinch.to, {...view, zoom});
  return {zoom, x: view.x + Math.round(held.x - now.x), y: view.y + Math.round(held.y - now.y)};
}

// A course for the view from where it is to a target {zoom, x, y} (any of
// them may be left out): for each, the value to reach and the way there
// (+1 or -1; 0 when it is there already).
export function courseTo(view, target) {
  const course = {};
  for (const [axis, slack] of [['zoom', ZoomStep / 2], ['x', 0], ['y', 0]]) {
    if (target[axis] === undefined) continue;
    const gap = target[axis] - view[axis];
    course[axis] = {to: target[axis], way: Math.abs(gap) > slack ? Math.sign(gap) : 0};
  }
  return course;
}

const Keys = Object.freeze({zoom: ['PageUp', 'PageDown'], x: ['Left', 'Right'], y: ['Down', 'Up']});
const KeyStep = Object.freeze({zoom: ZoomStep, x: 1, y: 1});

// What to do with the game's keys (by name) now, on a course: {hold: keys
// to hold on, tap: keys to press for a single pass}; a key in neither is let
// go. The page looks as a pass presents its frame, before that pass applies
// the keys, and looks again `passes` passes later: a key held now (in `held`)
// moves its value in the pass under way, and held on, in each pass between.
// So it is held while that stays short of the course's value, then tapped,
// a step a look, and let go there: never past it, never back.
export function keyPresses(course, view, held, passes) {
  const hold = [], tap = [];
  for (const [axis, {to, way}] of Object.entries(course)) {
    if (way === 0) continue;
    const key = Keys[axis][way > 0 ? 1 : 0], step = KeyStep[axis], slack = axis === 'zoom' ? step / 2 : 0;
    const left = (to - view[axis]) * way - (held.includes(key) ? step : 0);
    if (left - (passes - 1) * step > slack) hold.push(key);
    else if (left > slack) tap.push(key);
  }
  return {hold, tap};
}

// Where a Zoom control held takes the zoom: to its end of TouchZoom, and
// never the other way, from a zoom already beyond that end.
export function zoomControlTarget(zoom, inwards) {
  return {zoom: inwards ? Math.max(zoom, TouchZoom.nearest) : Math.min(zoom, TouchZoom.farthest)};
}
