// The SDL backend's calls: SDL's events in the game's terms, the keyboard
// at this instant, the clock and the wait between passes, the window and
// the start sound; its pictures are the shared OpenGL renderer's.
#include "platform/sdl/host.h"

#include <SDL.h>

#include <cmath>

#include "host/input.h"
#include "platform/event_queue.h"
#include "platform/gl/renderer.h"
#include "platform/screen.h"
#include "platform/sdl/sound.h"
#include "platform/sdl/virtual_keys.h"
#include "platform/sdl/window.h"

namespace {

void Button(Uint8 button, bool down) {
  switch (button) {
    case SDL_BUTTON_LEFT: QueueButton(ButtonLeft, down); break;
    case SDL_BUTTON_MIDDLE: QueueButton(ButtonMiddle, down); break;
    case SDL_BUTTON_RIGHT: QueueButton(ButtonRight, down); break;
  }
}

void Key(const SDL_KeyboardEvent& sdl, bool down) {
  QueueKey(VirtualKeyFromSdl(sdl.keysym.sym), down, (sdl.keysym.mod & KMOD_ALT) != 0, sdl.repeat != 0);
}

void WindowEvent(const SDL_WindowEvent& window) {
  switch (window.event) {
    case SDL_WINDOWEVENT_MINIMIZED: QueueEvent({EventKind::Activate, 0}); break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED: QueueEvent({EventKind::Activate, 1}); break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      SetClientArea(window.data1, window.data2);  // before the pointer positions that follow
      QueueEvent({EventKind::Size, window.data1, window.data2});
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST: LetGoOfKeys(); break;
    case SDL_WINDOWEVENT_CLOSE: QueueEvent({EventKind::Close}); break;
  }
}

// The game sees frame pixels. While a button is held SDL captures the
// pointer, so that a release outside the window still arrives; positions
// outside the window and on the black bars around the frame are left out,
// and the last position on the frame stays.
void PointerEvent(const SDL_MouseMotionEvent& motion) {
  int x = 0, y = 0;
  if (FramePixelAt(motion.x, motion.y, x, y)) QueueEvent({EventKind::PointerMove, x, y});
}

// One SDL event into the game's queue, in its terms, if the game sees it.
void Translate(const SDL_Event& sdl) {
  switch (sdl.type) {
    case SDL_QUIT: QueueEvent({EventKind::Quit}); break;
    case SDL_WINDOWEVENT: WindowEvent(sdl.window); break;
    case SDL_KEYDOWN: Key(sdl.key, true); break;
    case SDL_KEYUP: Key(sdl.key, false); break;
    case SDL_MOUSEMOTION: PointerEvent(sdl.motion); break;
    case SDL_MOUSEBUTTONDOWN: Button(sdl.button.button, true); break;
    case SDL_MOUSEBUTTONUP: Button(sdl.button.button, false); break;
  }
}

void PostQuit() { QueueEvent({EventKind::Quit}); }

// Takes the game's next event, after whatever SDL has heard since.
bool PollSdlEvent(HostEvent& event) {
  SDL_Event sdl;
  while (SDL_PollEvent(&sdl)) Translate(sdl);
  return TakeQueuedEvent(event);
}

}  // namespace

double NowMs() { return static_cast<double>(SDL_GetPerformanceCounter()) * 1000.0 / SDL_GetPerformanceFrequency(); }

void WaitForWindow(double milliseconds) {
  const double until = NowMs() + milliseconds;
  for (double left = milliseconds; left > 0 && !EndWaiting(); left = until - NowMs()) {
    SDL_Event sdl;
    if (SDL_WaitEventTimeout(&sdl, static_cast<int>(std::ceil(left)))) Translate(sdl);
  }
}

BackendCalls OwnCalls() {
  return {.poll_event = PollSdlEvent,
          .key_held_now = SdlKeyHeldNow,
          .post_quit = PostQuit,
          .move_game_window_to_pointer = MoveGameWindowToPointer,
          .play_sound_async = PlaySdlSound};
}

RenderCalls OwnRenderCalls() { return GlRenderCalls(); }

GameHost SdlHostWithFixedClock(uint32_t seed) {
  const GameHost headless = HeadlessHost(seed);
  GameHost host = BackendHost();
  host.clock_seconds = headless.clock_seconds;
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
