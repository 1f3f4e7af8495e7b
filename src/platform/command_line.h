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
  // A versus game through a relay (RELAY is host:port; DefaultRelay when not given).
  bool host = false;          // --host [RELAY]: open a room, its code on the frame and standard output
  std::string join;           // --join CODE [RELAY]: the room's code
  std::string relay;          // RELAY as given, empty for the default
  int seat = 0;               // --seat N: a versus replay seen from seat N's side (0 the host, 1 the friend)
  long long desync_at = -1;   // --desync-at TURN: a testing aid, the local game bent after that turn
  bool help = false;
  bool version = false;
};

extern const char* const GameUsage;
constexpr const char* DefaultRelay = "127.0.0.1:6473";

// RELAY as host:port (a name or an address, the port 1..65535); false when it is not one.
bool SplitRelayAddress(const std::string& relay, std::string& host, int& port);

// False with `error` for an unknown option, a missing file name or an
// option given twice. File names are taken relative to `start_dir` (the
// folder the player started from) when it is given.
bool ParseGameOptions(int argc, char** argv, const std::string& start_dir, GameOptions& options,
                      std::string& error);
