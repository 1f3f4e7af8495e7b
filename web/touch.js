// Touch: the canvas's fingers and the on-screen controls, turned into the
// events the game already has (pointer moves, buttons and keys), so a game
// played by touch records and replays as any other.
//
// On the canvas:
// - One finger aims: the red square follows it, and lifting it does nothing,
//   so the player can see the square before acting.
// - A quick tap (short and still) is a left click there: it selects one of
//   your units (on a neutral creature it is a single try at recruiting).
// - A second finger put down while the first aims holds the right button at
//   the first finger's square: it orders or attacks.
// The controls beside the frame (shown on touch screens) hold the left
// button (select; held, every frame is a try at 10 gold) and the right button
// at the square, and the game's keys: a control is held while the finger
// stays on it; Camera and Spin stay down until tapped again.
'use strict';

const TapMs = 300;     // a touch shorter than this, and
const TapSlopPx = 12;  // moving less than this (CSS pixels), is a tap
const Buttons = {left: 0, right: 2};
const FrameSize = {width: canvas.width, height: canvas.height};  // the game's frame, in its own pixels

const Fingers = {
  aim: null,    // {id, x, y, at, tap}: the finger that aims
  order: null,  // the identifier of the finger holding the right button
};

// Called straight, not through ccall: while the game sleeps ccall would take
// any call for one that started the sleep, and wait for the game's end.
function gameListens() { return Game.running; }

function sendPointer(clientX, clientY) {
  const box = canvas.getBoundingClientRect();
  const x = Math.floor((clientX - box.left) * FrameSize.width / box.width);
  const y = Math.floor((clientY - box.top) * FrameSize.height / box.height);
  if (gameListens()) Module._WebPointerAt(x, y);
}
function sendButton(button, down) {
  if (gameListens()) Module._WebButton(button, down ? 1 : 0);
}
function sendKey(code, down) {
  if (gameListens()) Module._WebKey(code, down ? 1 : 0);
}

// ---- Fingers on the canvas ----
function fingerDown(touch, at) {
  if (!Fingers.aim) {
    Fingers.aim = {id: touch.identifier, x: touch.clientX, y: touch.clientY, at, tap: true};
    sendPointer(touch.clientX, touch.clientY);
  } else if (Fingers.order === null) {
    Fingers.order = touch.identifier;
    Fingers.aim.tap = false;
    sendButton(Buttons.right, true);
  }
}

function fingerMoved(touch) {
  const aim = Fingers.aim;
  if (!aim || touch.identifier !== aim.id) return;
  if (Math.hypot(touch.clientX - aim.x, touch.clientY - aim.y) > TapSlopPx) aim.tap = false;
  sendPointer(touch.clientX, touch.clientY);
}

// A tap's press and release go together; the game still sees the button
// held for a frame.
function fingerUp(touch, at, cancelled) {
  if (Fingers.aim && touch.identifier === Fingers.aim.id) {
    if (Fingers.aim.tap && !cancelled && at - Fingers.aim.at < TapMs) {
      sendButton(Buttons.left, true);
      sendButton(Buttons.left, false);
    }
    Fingers.aim = null;
  } else if (touch.identifier === Fingers.order) {
    sendButton(Buttons.right, false);
    Fingers.order = null;
  }
}

// The browser's own panning, zooming and long-press menu stay off the canvas.
function onCanvasTouch(event) {
  event.preventDefault();
  if (event.type === 'touchstart') canvas.focus();
  for (const touch of event.changedTouches) {
    if (event.type === 'touchstart') fingerDown(touch, event.timeStamp);
    else if (event.type === 'touchmove') fingerMoved(touch);
    else fingerUp(touch, event.timeStamp, event.type === 'touchcancel');
  }
}
for (const type of ['touchstart', 'touchmove', 'touchend', 'touchcancel'])
  canvas.addEventListener(type, onCanvasTouch, {passive: false});

// ---- The on-screen controls ----
// data-button: a mouse button, data-key: a key (virtual-key code), both held
// while pressed; data-latch: a key that stays down until pressed again.
function press(control, down) {
  if (control.dataset.button !== undefined) sendButton(Number(control.dataset.button), down);
  else sendKey(Number(control.dataset.key || control.dataset.latch), down);
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
function releaseLatches() {
  for (const latch of document.querySelectorAll('#controls [data-latch]')) latch.setAttribute('aria-pressed', 'false');
}

for (const control of document.querySelectorAll('#controls button')) {
  control.addEventListener('pointerdown', controlDown);
  for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) control.addEventListener(type, controlUp);
  control.addEventListener('contextmenu', (e) => e.preventDefault());
}
canvas.addEventListener('blur', releaseLatches);
