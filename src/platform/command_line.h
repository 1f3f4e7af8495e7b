// The game's command line.
#pragma once

#include <string>

struct GameOptions {
  std::string replay;      // --replay FILE: play this recording back, record nothing
  std::string record;      // --record FILE: record here instead of the replay folder
  std::string dump_final;  // --dump-final FILE: the final state, one dump line, at exit
  bool continue_game = false;  // --continue [FILE]: play on from where a recorded game ended
  std::string continued;       // its FILE; empty for the newest replay
  int scale = 0;           // --scale N: the window N times the 640 x 480 frame (1..8); 0 not given
  bool fullscreen = false; // --fullscreen: the whole screen, in the desktop's own mode
  bool help = false;
  bool version = false;
};

extern const char* const GameUsage;

// False with `error` for an unknown option, a missing file name or an
// option given twice. File names are taken relative to `start_dir` (the
// folder the player started from) when it is given.
bool ParseGameOptions(int argc, char** argv, const std::string& start_dir, GameOptions& options,
                      std::string& error);
