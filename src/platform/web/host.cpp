// The game's host in a web browser (WebAssembly through Emscripten): the
// canvas's keys, pointer and focus through html5.h in the game's terms, the
// GL context from the toolchain's SDL 1.2 emulation (its GL 1.x emulation
// draws over WebGL), the start sound through the page's Web Audio. The page
// (web/) owns everything around the canvas. The game runs in the browser's
// animation frames (web/main.cpp): nothing in it blocks, and the page may
// call into it at any time.
//
// Limits, as a player in a browser meets them:
// - The canvas is always 640 x 480; the page scales it with CSS, so there
//   are no Size events, and pointer positions are mapped back to frame pixels.
// - Keys reach the game only while the canvas has the focus; the browser's
//   own meaning of a game key is then prevented, except with Ctrl, Alt or
//   Meta held (the browser's shortcuts stay) and for F9..F12 and Tab, which
//   the game does not use. Losing the focus lets every held key go, and a
//   key or button let go before any frame saw it held is held for one
//   frame, as on every backend (platform/event_queue.h).
// - Touch and the page's on-screen controls come from the page (web/touch.js)
//   as the same pointer moves, buttons and keys; html5.h's touch is not used.
// - The window cannot be moved (M does nothing) and its pointer is hidden
//   over the canvas only. A hidden tab counts as minimised.
// - The game's clock paces it at 60 frames a second whatever the display.
//   Each animation frame runs the passes due by then and draws the last of
//   them, which the browser shows with that animation frame; when the
//   browser falls behind, the passes between go undrawn and the game keeps
//   its speed. A hidden tab has no animation frames: there the passes come
//   on timers, as the browser allows them.
// - Sound plays once the page has had the player's first click or key.
// - While paused the page lays the paused picture's words and darkening over
//   the canvas, which keeps the last frame presented as the browser showed
//   it: the emulation cannot copy a frame already presented.
#include <GL/gl.h>
#include <SDL/SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "host/host.h"
#include "host/input.h"
#include "overlay/hud.h"
#include "overlay/overlay_buffer.h"
#include "platform/event_queue.h"
#include "platform/gl/frame_stretches.h"
#include "platform/gl/projection.h"
#include "platform/gl/renderer.h"
#include "platform/web/host.h"

namespace {

constexpr const char* Canvas = "#canvas";

uint8_t HeldNow[256] = {};  // the keys as the browser last told them, ahead of the queue
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

void Key(int code, bool down, bool alt = false, bool repeated = false) {
  if (code <= 0 || code > 255) return;
  HeldNow[code] = down;
  QueueKey(code, down, alt, repeated);
}

// The browser's key codes for the keys the game knows are the Windows
// virtual-key codes the game counts in.
EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* key, void*) {
  const int code = static_cast<int>(key->keyCode);
  if (code <= 0 || code > 255) return EM_FALSE;
  Key(code, type == EMSCRIPTEN_EVENT_KEYDOWN, key->altKey, key->repeat);
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
  if (FramePixel(*mouse, x, y)) QueueEvent({EventKind::PointerMove, x, y});
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
    QueueButton(button, true);
    return EM_FALSE;  // the page gives the canvas the focus
  }
  if (!(ButtonsPressedOnCanvas & bit)) return EM_FALSE;
  ButtonsPressedOnCanvas &= ~bit;
  QueueButton(button, false);
  return EM_FALSE;
}

// As on the desktop, the keys held when the focus goes are let go.
EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void*) {
  std::fill(std::begin(HeldNow), std::end(HeldNow), 0);
  LetGoOfKeys();
  return EM_FALSE;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* visibility, void*) {
  QueueEvent({EventKind::Activate, visibility->hidden ? 0 : 1});
  StepsChangeTheirTimer();
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

int WebKeyHeldNow(int key) { return key >= 0 && key < 256 ? HeldNow[key] : 0; }

void PostQuit() { QueueEvent({EventKind::Quit}); }

void PlayWebSound(const char* path) { PageSound(path); }

}  // namespace

void QuitWebGameSoon() { PostQuit(); }

void PointFromPage(int x, int y) {
  if (x >= 0 && y >= 0 && x < FrameWidth && y < FrameHeight) QueueEvent({EventKind::PointerMove, x, y});
}

void KeyFromPage(int code, bool down) { Key(code, down); }

void ButtonFromPage(int button, bool down) { QueueButton(button, down); }

void ForgetWebInput() {
  ForgetQueuedEvents();
  std::fill(std::begin(HeldNow), std::end(HeldNow), 0);
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
  SetInitialProjection(width, height);
  return true;
}

void DestroyGameWindow() {}

namespace {

// The browser shows the canvas once the animation frame that drew it returns.
void Presented() { TellPagePresented(); }

void PresentCanvas() {
  if (PausedPictureShown) HidePausedPicture();
  PausedPictureShown = false;
  Presented();
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
  Presented();
}

// The page's canvas stays where the page put it.
void CanvasStaysPut() {}

}  // namespace

void HideSystemPointer() { HidePointerOverCanvas(); }

BackendCalls OwnCalls() {
  return {.poll_event = TakeQueuedEvent,
          .key_held_now = WebKeyHeldNow,
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

// Alt+Enter: the page's fullscreen, which holds the frame and its controls.
EM_JS(void, PageFullscreen, (), {
  if (Module['switchFullscreen']) Module['switchFullscreen']();
});
void SwitchFullscreen() { PageFullscreen(); }

double NowMs() { return emscripten_get_now(); }
// The browser calls the game back (web/main.cpp); it never waits here.
void WaitForWindow(double) {}
