// The window's side of a versus game: the relay link, the lobby until the
// friend is in, the lockstep turns on the game's clock, and the end. Also
// the window's playback of a versus replay. Every step returns at once.
#pragma once

#include "platform/command_line.h"

bool IsVersusRun(const GameOptions& options);  // --host or --join
// After the window and the pictures are up: the world, and the link to the relay.
void StartVersusRun(const GameOptions& options);
// One step on the game's clock; false once the player has left.
bool StepVersusRun(double now_ms);
// When the next step is due: soon while waiting on the network.
double NextVersusStepMs(double now_ms);
// Whether the run ended before a game could start (the relay unreachable,
// the room refused): the exit status says it failed.
bool VersusRunFailed();

// --replay of a versus replay: false after saying why when it cannot be read.
bool IsVersusReplayFile(const std::string& path);
bool StartVersusReplay(const GameOptions& options);
bool StepVersusReplay(double now_ms);  // false at its end
// Whether the watcher has left (Escape, closing the window); takes the window's events.
bool VersusWatcherLeft();
