// The game's command line and where its replays go.
#pragma once

#include <string>
#include <vector>

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

// The game's folder for a user's own files: $XDG_DATA_HOME/valdorik, or
// ~/.local/share/valdorik; on Windows %APPDATA%\valdorik. Empty when no
// variable says where. UTF-8, as every file name in the game.
std::string UserDataFolder();
// Its replays/ folder (empty as it is), and NoReplayFolder tells the player
// when there is none.
std::string ReplayFolder();
extern const char* const NoReplayFolder;

// Where the window's last size is kept: $XDG_CONFIG_HOME/valdorik/settings,
// or ~/.config/valdorik/settings; on Windows %APPDATA%\valdorik\settings.txt.
// Empty when no variable says where.
std::string ScreenSettingsFile();

// A new file name in `folder` for a game started at `seconds` (local time),
// made and named so that names sort by start time; the oldest files beyond
// the newest `keep` are removed. Empty with `error` if the folder cannot be
// made.
std::string NewReplayPath(const std::string& folder, long long seconds, int keep, std::string& error);
constexpr int KeptReplays = 50;

// The newest replay in `folder` (names sort by start time), or empty.
std::string NewestReplay(const std::string& folder);
