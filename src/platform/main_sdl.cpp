// The game: one window, one loop, no command line.
#include <SDL.h>

#include "platform/input.h"
#include "platform/main_loop.h"
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
  InstallSdlInput();
  InstallSdlSound();
  // A start that fails has already told why; it is a failure for the caller too.
  if (!CreateGameWindow("VALDORIK", WindowWidth, WindowHeight, ColorBits, Fullscreen)) {
    ShutDownSdl();
    return 1;
  }
  const int status = MainLoop();
  DestroyGameWindow();
  ShutDownSdl();
  return status;
}
