// The SDL backend's calls: SDL's events in the game's terms, the keyboard
// at this instant, sleeps, the window and the start sound; its pictures are
// the shared OpenGL renderer's.
#include "platform/sdl/host.h"

#include <SDL.h>

#include "host/input.h"
#include "platform/gl/renderer.h"
#include "platform/screen.h"
#include "platform/sdl/sound.h"
#include "platform/sdl/virtual_keys.h"
#include "platform/sdl/window.h"

namespace {

bool ButtonEvent(Uint8 button, EventKind kind, HostEvent& event) {
  switch (button) {
    case SDL_BUTTON_LEFT: event = {kind, ButtonLeft}; return true;
    case SDL_BUTTON_MIDDLE: event = {kind, ButtonMiddle}; return true;
    case SDL_BUTTON_RIGHT: event = {kind, ButtonRight}; return true;
  }
  return false;
}

bool KeyEvent(const SDL_KeyboardEvent& sdl, EventKind kind, HostEvent& event) {
  // Alt+Enter is the window's own affair: the game never hears it.
  if (sdl.keysym.sym == SDLK_RETURN && (sdl.keysym.mod & KMOD_ALT)) {
    if (kind == EventKind::KeyDown && !sdl.repeat) SwitchFullscreen();
    return false;
  }
  const int code = VirtualKeyFromSdl(sdl.keysym.sym);
  if (code < 0 || code > 255) return false;
  event = {kind, code};
  return true;
}

bool WindowEvent(const SDL_WindowEvent& window, HostEvent& event) {
  switch (window.event) {
    case SDL_WINDOWEVENT_MINIMIZED: event = {EventKind::Activate, 0}; return true;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED: event = {EventKind::Activate, 1}; return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      SetClientArea(window.data1, window.data2);  // before the pointer positions that follow
      event = {EventKind::Size, window.data1, window.data2};
      return true;
    case SDL_WINDOWEVENT_CLOSE: event = {EventKind::Close}; return true;
    case SDL_WINDOWEVENT_DISPLAY_CHANGED: CheckPresentPacing(); return false;  // the window's own affair
  }
  return false;
}

// The game sees frame pixels. While a button is held SDL captures the
// pointer, so that a release outside the window still arrives; positions
// outside the window and on the black bars around the frame are left out,
// and the last position on the frame stays.
bool PointerEvent(const SDL_MouseMotionEvent& motion, HostEvent& event) {
  int x = 0, y = 0;
  if (!FramePixelAt(motion.x, motion.y, x, y)) return false;
  event = {EventKind::PointerMove, x, y};
  return true;
}

// One SDL event in the game's terms; false for those the game does not see.
bool Translate(const SDL_Event& sdl, HostEvent& event) {
  switch (sdl.type) {
    case SDL_QUIT: event = {EventKind::Quit}; return true;
    case SDL_WINDOWEVENT: return WindowEvent(sdl.window, event);
    case SDL_DISPLAYEVENT: CheckPresentPacing(); return false;  // a display came, went or turned
    case SDL_KEYDOWN: return KeyEvent(sdl.key, EventKind::KeyDown, event);
    case SDL_KEYUP: return KeyEvent(sdl.key, EventKind::KeyUp, event);
    case SDL_MOUSEMOTION: return PointerEvent(sdl.motion, event);
    case SDL_MOUSEBUTTONDOWN: return ButtonEvent(sdl.button.button, EventKind::ButtonDown, event);
    case SDL_MOUSEBUTTONUP: return ButtonEvent(sdl.button.button, EventKind::ButtonUp, event);
  }
  return false;
}

void SdlSleep(int milliseconds) {
  if (milliseconds > 0) SDL_Delay(static_cast<Uint32>(milliseconds));
}

void PostQuit() {
  SDL_Event quit = {};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

// Takes SDL's next event that the game sees; false when none waits.
bool PollSdlEvent(HostEvent& event) {
  SDL_Event sdl;
  while (SDL_PollEvent(&sdl))
    if (Translate(sdl, event)) return true;
  return false;
}

}  // namespace

BackendCalls OwnCalls() {
  return {.poll_event = PollSdlEvent,
          .key_held_now = SdlKeyHeldNow,
          .sleep_ms = SdlSleep,
          .post_quit = PostQuit,
          .move_game_window_to_pointer = MoveGameWindowToPointer,
          .play_sound_async = PlaySdlSound};
}

RenderCalls OwnRenderCalls() { return GlRenderCalls(); }

GameHost SdlHostWithFixedClock(uint32_t seed) {
  const GameHost headless = HeadlessHost(seed);
  GameHost host = BackendHost();
  host.clock_seconds = headless.clock_seconds;
  host.sleep_ms = headless.sleep_ms;
  host.play_sound_async = headless.play_sound_async;
  return host;
}

std::string OwnFolder() {
  char* base = SDL_GetBasePath();
  const std::string folder = base ? base : "";
  SDL_free(base);
  return folder;
}

void ShutDownBackend() {
  StopSdlSound();
  SDL_Quit();
}
