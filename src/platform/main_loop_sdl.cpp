#include "platform/main_loop.h"

#include <SDL.h>

#include "platform/input.h"
#include "platform/virtual_keys.h"
#include "platform/window.h"
#include "render/frame.h"
#include "world/services.h"
#include "world/world.h"

bool AppActive = true;
int SpareToggle = 0;

namespace {

constexpr float ZoomStep = 0.12f;
constexpr float AngleStep = 0.5f;

void SetKey(SDL_Keycode key, uint8_t down) {
  const int code = VirtualKeyFromSdl(key);
  if (code >= 0 && code < 256) KeyState[code] = down;
}

void SetButton(Uint8 button, int down) {
  switch (button) {
    case SDL_BUTTON_LEFT: MouseState.left = down; break;
    case SDL_BUTTON_MIDDLE: MouseState.middle = down; break;
    case SDL_BUTTON_RIGHT: MouseState.right = down; break;
  }
}

void WindowEvent(const SDL_WindowEvent& window) {
  switch (window.event) {
    case SDL_WINDOWEVENT_MINIMIZED: AppActive = false; break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED: AppActive = true; break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: ResizeScene(window.data1, window.data2); break;
    case SDL_WINDOWEVENT_DISPLAY_CHANGED: CheckPresentPacing(); break;
    case SDL_WINDOWEVENT_CLOSE: {
      // Ask for the end of the loop; it comes when the queue reaches it.
      SDL_Event quit = {};
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
      break;
    }
  }
}

// Turns one event into key, button and pointer state.
void WindowProc(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT: WindowEvent(event.window); break;
    case SDL_KEYDOWN: SetKey(event.key.keysym.sym, 1); break;
    case SDL_KEYUP: SetKey(event.key.keysym.sym, 0); break;
    case SDL_MOUSEMOTION:
      if (!InsideClientArea(event.motion.x, event.motion.y)) break;  // the last inside position stays
      MouseState.x = event.motion.x;
      MouseState.y = event.motion.y;
      break;
    case SDL_MOUSEBUTTONDOWN: SetButton(event.button.button, 1); break;
    case SDL_MOUSEBUTTONUP: SetButton(event.button.button, 0); break;
  }
}

// Scrolling is paced by its sleeps, one per held direction.
void ScrollKey(int key, int& origin, int step) {
  if (!KeyState[key]) return;
  origin += step;
  GameSleep(100);
}

}  // namespace

void InstallSdlInput() { AsyncKeyQuery = SdlKeyHeldNow; }

int MainLoop() {
  for (;;) {
    SDL_Event event;
    if (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) return 0;
      WindowProc(event);
      continue;
    }
    // Escape is honoured even while the window is minimised.
    if ((AppActive && !RunFrame()) || KeyState[KeyEscape]) return 0;
    PresentFrame();
    ApplyLoopKeys();
  }
}

void MoveWindowKey() {
  if (KeyState[KeyM]) MoveGameWindowToPointer();
}

void ApplyLoopKeys() {
  if (KeyState[KeyPageUp]) CameraZoom -= ZoomStep;
  if (KeyState[KeyPageDown]) CameraZoom += ZoomStep;
  if (KeyState[KeyE]) {
    SpareToggle = !SpareToggle;
    GameSleep(500);
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
