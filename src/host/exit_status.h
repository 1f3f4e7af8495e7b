// What the process tells the system when it ends: the game on every
// backend and the simulator alike.
#pragma once

enum class ExitStatus {
  Ok = 0,           // the player or the run ended it
  FailedStart = 1,  // no display, no window, no GL context: already told why
  BadInput = 2,     // an argument, a script or a replay the program refuses: already told why
};

inline int ExitCode(ExitStatus status) { return static_cast<int>(status); }
