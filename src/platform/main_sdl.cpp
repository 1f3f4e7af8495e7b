// The game on SDL: one window, one loop. Every game is recorded (see --help).
#include <SDL.h>

#include "platform/game_entry.h"
#include "platform/host_sdl.h"
#include "platform/sound.h"

namespace {

void ShutDownSdl() {
  StopSdlSound();
  SDL_Quit();
}

std::string OwnFolder() {
  char* base = SDL_GetBasePath();
  const std::string folder = base ? base : "";
  SDL_free(base);
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  return ExitCode(GameMain(argc, argv, {.host = SdlHost, .shut_down = ShutDownSdl, .own_folder = OwnFolder}));
}
