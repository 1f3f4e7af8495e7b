// The fingers on the frame, turned into the game's own events: the pointer
// at a frame pixel and the mouse buttons going down and up. A pure function
// of the fingers so far and one touch event; the page's touch module feeds it
// the browser's touch events and hands what it returns to the game.
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
// events: in order, {kind: 'pointer', x, y} (frame pixels) and
//   {kind: 'button', button: Buttons.left or Buttons.right, down: bool}.
//
// - One finger aims: the red square follows it, and lifting it does nothing,
//   so the player can see the square before acting.
// - A quick tap (lifted within TapMs, having moved no more than TapSlopPx) is
//   a left click there: it selects one of your units (on a neutral creature
//   it is a single try at recruiting). Its press and release go together; the
//   game still sees the button held for a frame.
// - A second finger put down while the first aims holds the right button at
//   the first finger's square until it is lifted: it orders or attacks.
// - A third finger, while two are down, does nothing until it is lifted.
// - A finger that leaves the canvas no longer moves the square, which stays
//   where that finger last was on the frame, and its touch is no tap; back on
//   the canvas it aims again. A finger put down off the canvas does nothing.
// - A cancel (the browser taking the fingers for itself) ends the gesture
//   whole: no click, the right button comes up if held, and the fingers
//   still down do nothing more until lifted.

export const TapMs = 300;     // a touch shorter than this, and
export const TapSlopPx = 12;  // moving no more than this (CSS pixels), is a tap
export const Buttons = Object.freeze({left: 0, right: 2});

// aim: {id, x, y, at, tap}: the finger that aims, where and when it went
// down, and whether it may still be a tap. order: the identifier of the
// finger holding the right button, or null.
export const NoFingers = Object.freeze({aim: null, order: null});

// The frame pixel under a point of the canvas.
function framePixel(canvas, x, y) {
  const column = Math.floor((x - canvas.left) * canvas.frameWidth / canvas.width);
  const row = Math.floor((y - canvas.top) * canvas.frameHeight / canvas.height);
  return {kind: 'pointer', x: Math.min(column, canvas.frameWidth - 1), y: Math.min(row, canvas.frameHeight - 1)};
}

const button = (which, down) => ({kind: 'button', button: which, down});

function fingerDown(state, touch, event, events) {
  if (!touch.over) return state;
  if (!state.aim) {
    events.push(framePixel(event.canvas, touch.x, touch.y));
    return {...state, aim: {id: touch.id, x: touch.x, y: touch.y, at: event.time, tap: true}};
  }
  if (state.order !== null) return state;
  events.push(button(Buttons.right, true));
  return {aim: {...state.aim, tap: false}, order: touch.id};
}

function fingerMoved(state, touch, event, events) {
  const aim = state.aim;
  if (!aim || touch.id !== aim.id) return state;
  const still = touch.over && Math.hypot(touch.x - aim.x, touch.y - aim.y) <= TapSlopPx;
  if (touch.over) events.push(framePixel(event.canvas, touch.x, touch.y));
  return aim.tap && !still ? {...state, aim: {...aim, tap: false}} : state;
}

function fingerUp(state, touch, event, events) {
  if (state.aim && touch.id === state.aim.id) {
    if (state.aim.tap && touch.over && event.time - state.aim.at < TapMs)
      events.push(button(Buttons.left, true), button(Buttons.left, false));
    return {...state, aim: null};
  }
  if (touch.id === state.order) {
    events.push(button(Buttons.right, false));
    return {...state, order: null};
  }
  return state;
}

function cancelled(state, event, events) {
  const followed = event.touches.some((t) => (state.aim && t.id === state.aim.id) || t.id === state.order);
  if (!followed) return state;
  if (state.order !== null) events.push(button(Buttons.right, false));
  return NoFingers;
}

const Steps = {start: fingerDown, move: fingerMoved, end: fingerUp};

export function recognise(state, event) {
  const events = [];
  if (event.kind === 'cancel') return {state: cancelled(state, event, events), events};
  const step = Steps[event.kind];
  if (!step) throw new Error(`no touch event of kind "${event.kind}"`);
  for (const touch of event.touches) state = step(state, touch, event, events);
  return {state, events};
}
