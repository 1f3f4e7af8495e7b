// The game's entry where the system starts it through main(): the SDL and
// the null backends. Every game is recorded (see --help).
#include "platform/game_entry.h"

int main(int argc, char** argv) { return ExitCode(GameMain(argc, argv)); }
