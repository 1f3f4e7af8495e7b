// The game's host in a web browser (WebAssembly through Emscripten): the
// canvas's keys, pointer and focus through html5.h in the game's terms, the
// GL context from the toolchain's SDL 1.2 emulation (its GL 1.x emulation
// draws over WebGL), sleeps through Asyncify, the start sound through the
// page's Web Audio. The page (web/) owns everything around the canvas.
//
// Limits, as a player in a browser meets them:
// - The canvas is always 640 x 480; the page scales it with CSS, so there
//   are no Size events, and pointer positions are mapped back to frame pixels.
// - Keys reach the game only while the canvas has the focus; the browser's
//   own meaning of a game key is then prevented, except with Ctrl, Alt or
//   Meta held (the browser's shortcuts stay) and for F9..F12 and Tab, which
//   the game does not use. Losing the focus lets every held key go.
// - A key or button let go before any frame saw it held (a tap shorter than
//   a frame) is held for one frame: the release waits in the queue.
// - Touch and the page's on-screen controls come from the page (web/touch.js)
//   as the same pointer moves, buttons and keys; html5.h's touch is not used.
// - The window cannot be moved (M does nothing) and its pointer is hidden
//   over the canvas only. A hidden tab counts as minimised.
// - Presentation is paced to 60 frames a second whatever the display: the
//   browser does not say whether or how the canvas is synchronised.
// - Each frame presented waits for the browser's next animation frame, so
//   the game shows every frame it draws but runs no faster than the browser
//   updates the screen: slower than 60 frames a second on a slower display
//   or when the browser falls behind, as on a desktop whose swap waits for
//   a slow display. A hidden tab has no animation frames and waits for none.
// - Sound plays once the page has had the player's first click or key.
// - While paused the page lays the paused picture's words and darkening over
//   the canvas, which keeps the last frame presented as the browser showed
//   it: the emulation cannot copy a frame already presented.
#include <GL/gl.h>
#include <SDL/SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <deque>

#include "host/host.h"
#include "host/input.h"
#include "loop/present_pacing.h"
#include "overlay/hud.h"
#include "overlay/overlay_buffer.h"
#include "platform/gl/frame_stretches.h"
#include "platform/gl/projection.h"
#include "platform/gl/renderer.h"
#include "platform/web/host.h"

namespace {

constexpr const char* Canvas = "#canvas";

std::deque<HostEvent> Events;
uint8_t HeldNow[256] = {};  // the keys as the browser last told them, ahead of the queue

// A press and its release that come in together (a key or a click shorter
// than a frame, a tap) would reach the game in one pass, and no frame would
// see the key or button held. So a release is taken from the queue only
// once the loop has had a pass without events since it took the press: the
// frame of that pass sees the press, and the release follows as an event
// like any other (recorded as such). Until then the key query answers held.
constexpr int PressableCount = 256 + 3;  // the keys, then the three buttons
int64_t Passes = 0;                      // the times the queue was found empty: a pass of the loop each
int64_t PressTakenAt[PressableCount] = {};    // Passes when the game took the press; -1 for none
bool PressWaiting[PressableCount] = {};  // a press still in the queue
bool HeldUntilTaken[PressableCount] = {};  // the key query answers held until its release is taken
int ButtonsPressedOnCanvas = 0;
bool ContextMade = false;
bool CallbacksSet = false;

// The SDL emulation listens on the canvas itself and queues what it hears
// for SDL_PollEvent; the game takes its input from html5.h alone.
EM_JS(void, StopSdlListening, (), {
  ['touchstart', 'touchend', 'touchmove', 'mousedown', 'mouseup', 'mousemove', 'DOMMouseScroll', 'mousewheel',
   'wheel', 'mouseout'].forEach(function(name) { Module['canvas'].removeEventListener(name, SDL.receiveEvent, true); });
});

EM_JS(void, PageSound, (const char* path), {
  if (Module['playSound']) Module['playSound'](UTF8ToString(path));
});

// The page counts frames (for its figures) and notes when the first came.
EM_JS(void, TellPagePresented, (), {
  if (Module['presented']) Module['presented']();
});

// The paused picture over the canvas: the overlay holding the paused words
// (rows bottom first) and the share of black between them.
EM_JS(void, ShowPausedPicture, (const uint8_t* overlay, int width, int height, float dimming), {
  if (Module['showPaused']) Module['showPaused'](HEAPU8.subarray(overlay, overlay + width * height * 4), width, height, dimming);
});
EM_JS(void, HidePausedPicture, (), {
  if (Module['hidePaused']) Module['hidePaused']();
});
bool PausedPictureShown = false;

EM_JS(void, HidePointerOverCanvas, (), { Module['canvas'].style.cursor = 'none'; });

bool BrowserKeepsKey(const EmscriptenKeyboardEvent& key) {
  constexpr int Tab = 0x09, F9 = 0x78, F12 = 0x7B;
  return key.ctrlKey || key.altKey || key.metaKey || key.keyCode == Tab || (key.keyCode >= F9 && key.keyCode <= F12);
}

// The key or button an event presses or releases; -1 for any other event.
int PressableOf(const HostEvent& event) {
  switch (event.kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp: return event.a;
    case EventKind::ButtonDown:
    case EventKind::ButtonUp: return 256 + event.a;
    default: return -1;
  }
}

bool IsRelease(const HostEvent& event) { return event.kind == EventKind::KeyUp || event.kind == EventKind::ButtonUp; }

void Queue(const HostEvent& event) {
  const int pressable = PressableOf(event);
  if (pressable >= 0 && !IsRelease(event)) {
    PressWaiting[pressable] = true;
    HeldUntilTaken[pressable] = false;
  } else if (pressable >= 0) {
    HeldUntilTaken[pressable] = PressWaiting[pressable] || PressTakenAt[pressable] == Passes;
  }
  Events.push_back(event);
}

// A key let go: the key query follows at once, unless the game has not yet
// had a frame with the key held.
void QueueKey(bool down, int code) {
  Queue({down ? EventKind::KeyDown : EventKind::KeyUp, code});
  HeldNow[code] = down || HeldUntilTaken[code];
}

// The browser's key codes for the keys the game knows are the Windows
// virtual-key codes the game counts in.
EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* key, void*) {
  const int code = static_cast<int>(key->keyCode);
  if (code <= 0 || code > 255) return EM_FALSE;
  QueueKey(type == EMSCRIPTEN_EVENT_KEYDOWN, code);
  return !BrowserKeepsKey(*key);
}

// The canvas's CSS size is the frame scaled; the game counts frame pixels.
bool FramePixel(const EmscriptenMouseEvent& mouse, int& x, int& y) {
  double width = 0, height = 0;
  if (emscripten_get_element_css_size(Canvas, &width, &height) != EMSCRIPTEN_RESULT_SUCCESS || width <= 0 || height <= 0)
    return false;
  x = static_cast<int>(mouse.targetX * FrameWidth / width);
  y = static_cast<int>(mouse.targetY * FrameHeight / height);
  return x >= 0 && y >= 0 && x < FrameWidth && y < FrameHeight;
}

EM_BOOL OnPointerMove(int, const EmscriptenMouseEvent* mouse, void*) {
  int x = 0, y = 0;
  if (FramePixel(*mouse, x, y)) Events.push_back({EventKind::PointerMove, x, y});
  return EM_FALSE;
}

// A press on the canvas goes to the game; its release is heard anywhere on
// the page, so that a button let go outside the canvas is not stuck.
EM_BOOL OnButton(int type, const EmscriptenMouseEvent* mouse, void*) {
  const int button = mouse->button;
  if (button < ButtonLeft || button > ButtonRight) return EM_FALSE;
  const int bit = 1 << button;
  if (type == EMSCRIPTEN_EVENT_MOUSEDOWN) {
    OnPointerMove(type, mouse, nullptr);
    ButtonsPressedOnCanvas |= bit;
    Queue({EventKind::ButtonDown, button});
    return EM_FALSE;  // the page gives the canvas the focus
  }
  if (!(ButtonsPressedOnCanvas & bit)) return EM_FALSE;
  ButtonsPressedOnCanvas &= ~bit;
  Queue({EventKind::ButtonUp, button});
  return EM_FALSE;
}

// As on the desktop, the keys held when the focus goes are let go.
EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void*) {
  for (int code = 0; code < 256; ++code)
    if (HeldNow[code] && !HeldUntilTaken[code]) QueueKey(false, code);
  return EM_FALSE;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* visibility, void*) {
  Events.push_back({EventKind::Activate, visibility->hidden ? 0 : 1});
  return EM_FALSE;
}

void ListenToCanvas() {
  if (CallbacksSet) return;
  CallbacksSet = true;
  emscripten_set_keydown_callback(Canvas, nullptr, EM_TRUE, OnKey);
  emscripten_set_keyup_callback(Canvas, nullptr, EM_TRUE, OnKey);
  emscripten_set_mousemove_callback(Canvas, nullptr, EM_TRUE, OnPointerMove);
  emscripten_set_mousedown_callback(Canvas, nullptr, EM_TRUE, OnButton);
  emscripten_set_mouseup_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, OnButton);
  emscripten_set_blur_callback(Canvas, nullptr, EM_TRUE, OnBlur);
  emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, OnVisibility);
}

bool PollWebEvent(HostEvent& event) {
  const int pressable = Events.empty() ? -1 : PressableOf(Events.front());
  if (Events.empty() || (IsRelease(Events.front()) && PressTakenAt[pressable] == Passes)) {
    ++Passes;  // the loop's pass follows: a frame, when the game runs
    return false;
  }
  event = Events.front();
  Events.pop_front();
  if (pressable >= 0 && !IsRelease(event)) {
    PressWaiting[pressable] = false;
    PressTakenAt[pressable] = Passes;
  }
  if (event.kind == EventKind::KeyUp && HeldUntilTaken[pressable]) HeldNow[pressable] = 0;
  if (pressable >= 0 && IsRelease(event)) HeldUntilTaken[pressable] = false;
  return true;
}

int WebKeyHeldNow(int key) { return key >= 0 && key < 256 ? HeldNow[key] : 0; }

// Every sleep hands the browser control: it draws, and events come in.
void WebSleep(int milliseconds) { emscripten_sleep(milliseconds > 0 ? static_cast<unsigned>(milliseconds) : 0); }

void PostQuit() { Events.push_back({EventKind::Quit}); }

void PlayWebSound(const char* path) { PageSound(path); }

}  // namespace

void QuitWebGameSoon() { PostQuit(); }

void PointFromPage(int x, int y) {
  if (x >= 0 && y >= 0 && x < FrameWidth && y < FrameHeight) Events.push_back({EventKind::PointerMove, x, y});
}

void KeyFromPage(int code, bool down) {
  if (code > 0 && code < 256) QueueKey(down, code);
}

void ButtonFromPage(int button, bool down) {
  if (button >= ButtonLeft && button <= ButtonRight) Queue({down ? EventKind::ButtonDown : EventKind::ButtonUp, button});
}

void ForgetWebInput() {
  Events.clear();
  std::fill(std::begin(HeldNow), std::end(HeldNow), 0);
  std::fill(std::begin(PressTakenAt), std::end(PressTakenAt), -1);
  std::fill(std::begin(PressWaiting), std::end(PressWaiting), false);
  std::fill(std::begin(HeldUntilTaken), std::end(HeldUntilTaken), false);
  ButtonsPressedOnCanvas = 0;
}

// The page shows every line the game writes on stderr.
void ShowMessageBox(const char* text, const char* caption, BoxIcon) { std::fprintf(stderr, "%s: %s\n", caption, text); }

// The page keeps its one canvas and context from game to game.
bool CreateGameWindow(const char*, int width, int height) {
  if (!ContextMade) {
    if (!SDL_SetVideoMode(width, height, 32, SDL_OPENGL)) {
      ShowMessageBox("Can't Create A GL Rendering Context.", "ERROR", BoxIcon::Exclamation);
      return false;
    }
    StopSdlListening();
    ContextMade = true;
  }
  ListenToCanvas();
  SetPresentPacing(false, 0);
  SetInitialProjection(width, height);
  return true;
}

void DestroyGameWindow() {}

namespace {

// The browser's swap: control stays with the browser until its next
// animation frame (requestAnimationFrame), the step in which it updates the
// screen, and the game goes on from there, so the next frame is drawn in
// that step and shown with it. A hidden tab has no animation frames: there
// (and once the tab is hidden while waiting) the wait ends at once, and the
// loop goes on as on a minimised desktop window. A second at most, in case
// the browser holds animation frames back on a page it still calls visible
// (an iframe scrolled out of sight).
EM_ASYNC_JS(void, WaitForScreenUpdate, (), {
  await new Promise((resolve) => {
    if (document.hidden) return resolve();
    let frame = 0, timer = 0;
    const done = () => {
      cancelAnimationFrame(frame);
      clearTimeout(timer);
      document.removeEventListener('visibilitychange', done);
      resolve();
    };
    frame = requestAnimationFrame(done);
    timer = setTimeout(done, 1000);
    document.addEventListener('visibilitychange', done);
  });
});

// Presenting is the paced wait, never skipped, then the browser's turn to
// show the canvas: the browser shows it only when it has control, and
// every presented frame gets its screen update. The game's sleeps are the
// desktop's; the wait for the screen is the swap's, as a synchronised swap
// waits on the desktop.
void PacedPresent() {
  const uint64_t now_us = static_cast<uint64_t>(emscripten_get_now() * 1000.0);
  GameSleep(PresentSleepMs(now_us, 1000000));
  WaitForScreenUpdate();
  TellPagePresented();
}

void PresentCanvas() {
  if (PausedPictureShown) HidePausedPicture();
  PausedPictureShown = false;
  PacedPresent();
}

// The canvas is always 640 x 480 and the page scales it with CSS, so the
// frame is drawn straight onto it: no frame of its own to keep or lay out.
void KeepCanvasViewport(int, int) {}

// The paused words are drawn once a pause: the page keeps them up until a
// frame is presented again.
void PresentPausedCanvas() {
  if (!PausedPictureShown) {
    DrawPausedWords();
    ShowPausedPicture(OverlayBuffer.get(), FrameWidth, FrameHeight, PausedDimming);
    PausedPictureShown = true;
  }
  PacedPresent();
}

// The page's canvas stays where the page put it.
void CanvasStaysPut() {}

}  // namespace

void HideSystemPointer() { HidePointerOverCanvas(); }

BackendCalls OwnCalls() {
  return {.poll_event = PollWebEvent,
          .key_held_now = WebKeyHeldNow,
          .sleep_ms = WebSleep,
          .post_quit = PostQuit,
          .move_game_window_to_pointer = CanvasStaysPut,
          .play_sound_async = PlayWebSound};
}

// The shared renderer's stretches, presented on the canvas as it is.
RenderCalls OwnRenderCalls() {
  return {.present_scaled_frame = PresentCanvas,
          .present_paused_frame = PresentPausedCanvas,
          .load_pictures_and_floors = LoadPicturesAndFloors,
          .set_fixed_gl_state = SetFixedGlState,
          .keep_frame_viewport = KeepCanvasViewport,
          .begin_scene = BeginScene,
          .draw_terrain = DrawTerrain,
          .draw_units = DrawUnits,
          .draw_cursor_mark = DrawCursorMark,
          .draw_overlay = DrawOverlay};
}

// The page's files sit in the working folder of its memory file system.
std::string OwnFolder() { return {}; }
// The page keeps its canvas, context and sound from game to game.
void ShutDownBackend() {}
