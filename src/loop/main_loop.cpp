#include "loop/main_loop.h"

#include "host/input.h"
#include "loop/frame.h"
#include "world/world.h"

VALDORIK_LOOP_STATE(VALDORIK_DEFINE_STATE)

namespace {

constexpr float ZoomStep = 0.12f;
constexpr float AngleStep = 0.5f;
constexpr int SpareTogglePauseMs = 500;
constexpr int ScrollPauseMs = 100;

void SetButton(int button, int down) {
  switch (button) {
    case ButtonLeft: MouseState.left = down; break;
    case ButtonMiddle: MouseState.middle = down; break;
    case ButtonRight: MouseState.right = down; break;
  }
}

void SetKey(int key, uint8_t down) {
  if (key >= 0 && key < 256) KeyState[key] = down;
}

// Only a key going down toggles: the window's auto-repeat sends more
// key-downs for a key already held.
void KeyGoesDown(int key) {
  const bool pause_key = key == KeyP || key == KeyPause;
  if (pause_key && !KeyTableHeld(key)) Paused = !Paused;
  SetKey(key, 1);
}

// The rules, the clock and the camera stand still; the events still come
// in, and Escape still quits.
PassKind PausedPass(bool drawn) {
  if (KeyState[KeyEscape]) return PassKind::Done;
  if (drawn) Host.present_paused_frame();
  return PassKind::Idle;
}

// Scrolling is paced by its sleeps, one per held direction.
void ScrollKey(int key, int& origin, int step) {
  if (!KeyState[key]) return;
  origin += step;
  GameSleep(ScrollPauseMs);
}

}  // namespace

void HandleHostEvent(const HostEvent& event) {
  switch (event.kind) {
    case EventKind::KeyDown: KeyGoesDown(event.a); break;
    case EventKind::KeyUp: SetKey(event.a, 0); break;
    case EventKind::PointerMove:
      MouseState.x = static_cast<uint16_t>(event.a);
      MouseState.y = static_cast<uint16_t>(event.b);
      break;
    case EventKind::ButtonDown: SetButton(event.a, 1); break;
    case EventKind::ButtonUp: SetButton(event.a, 0); break;
    case EventKind::Activate: AppActive = event.a != 0; break;
    case EventKind::Size: Host.keep_frame_viewport(event.a, event.b); break;
    case EventKind::Close: Host.post_quit(); break;  // the end comes when the queue reaches it
    case EventKind::Quit: break;
  }
}

PassKind LoopPass(bool drawn) {
  HostEvent event{};
  if (Host.poll_event(event)) {
    if (event.kind == EventKind::Quit) return PassKind::Done;
    HandleHostEvent(event);
    return PassKind::Message;
  }
  ++IdlePasses;
  if (Paused) return PausedPass(drawn);
  SampleKeys();
  if (AppActive) RunFrame(drawn);
  // Escape is honoured even while the window is minimised.
  if (KeyState[KeyEscape]) return PassKind::Done;
  if (drawn) Host.present_scaled_frame();
  ApplyLoopKeys();
  return PassKind::Idle;
}

void MainLoop() {
  while (LoopPass() != PassKind::Done) PauseAskedMs = 0;  // no clock to move
}

void ApplyLoopKeys() {
  if (KeyState[KeyPageUp]) CameraZoom -= ZoomStep;
  if (KeyState[KeyPageDown]) CameraZoom += ZoomStep;
  if (KeyState[KeyE]) {
    SpareToggle = !SpareToggle;
    GameSleep(SpareTogglePauseMs);
  }
  if (IsKeyDown(KeyShift)) {
    if (KeyState[KeyUp]) CameraTilt -= AngleStep;
    if (KeyState[KeyDown]) CameraTilt += AngleStep;
    if (KeyState[KeyRight]) CameraTurn += AngleStep;
    if (KeyState[KeyLeft]) CameraTurn -= AngleStep;
  }
  if (IsKeyUp(KeyShift)) {
    ScrollKey(KeyUp, map_sy, 1);
    ScrollKey(KeyDown, map_sy, -1);
    ScrollKey(KeyRight, map_sx, 1);
    ScrollKey(KeyLeft, map_sx, -1);
  }
}

void ResetLoopState() { VALDORIK_LOOP_STATE(VALDORIK_RESET_STATE) }
