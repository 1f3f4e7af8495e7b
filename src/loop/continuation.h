// Continuing a recorded game: its recording is played without a window, as
// fast as it goes, up to just before the pass that ended the game; what the
// player still held then is let go; the new recording begins with both, so
// that it replays as one game.
#pragma once

#include <string>
#include <vector>

#include "replay/replay_file.h"

// `replay` without the pass that ended the game: the idle pass that saw
// Escape (with the key answers and clock reads it took), or the Quit taken.
// A file cut short ended in no such pass: it keeps every pass it holds.
Replay ReplayBeforeItsEnd(const Replay& replay);

// Starts the world and plays `replay` up to its end without a window. False
// with `problem` when the recording and this game part ways.
bool PlayRecordedPast(const Replay& replay, const std::string& name, std::string& problem);

// Lets go of every key and button still held, and counts the window as shown
// again if it was minimised, through the game's own event handling; returns
// those events as records for the new recording.
std::vector<ReplayRecord> ReleaseHeldInput();
