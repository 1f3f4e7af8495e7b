// The game: one window, one loop.
#include <SDL.h>

#include "loop/host.h"
#include "loop/input.h"
#include "loop/main_loop.h"
#include "loop/startup.h"
#include "platform/host_sdl.h"
#include "platform/sound.h"
#include "platform/window.h"

namespace {

void ShutDownSdl() {
  StopSdlSound();
  SDL_Quit();
}

}  // namespace

int main(int, char**) {
  Fullscreen = false;
  Host = SdlHost();
  // A start that fails has already told why; it is a failure for the caller too.
  if (!CreateGameWindow("VALDORIK", WindowWidth, WindowHeight, ColorBits, Fullscreen)) {
    ReleaseGame();
    ShutDownSdl();
    return 1;
  }
  const int status = MainLoop();
  DestroyGameWindow();
  ReleaseGame();
  ShutDownSdl();
  return status;
}
