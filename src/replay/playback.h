// Playing a recorded game back: the host answers the game from the replay
// (its events, key answers and clock reads, pass by pass), and the host it
// is given still sleeps, presents and draws. The window's own events are
// read only for Escape and closing, which end the playback, and for the
// window's real size.
#pragma once

#include <string>

#include "host/host.h"
#include "replay/replay_file.h"

// Installs the playback host over `window`. The replay must outlive it.
void StartPlayback(const Replay& replay, const std::string& name, const GameHost& window);
// Whether the watcher has left, by Escape or by closing the window; reads
// the window's waiting events first. Also asked once the playback is over,
// while its end is shown.
bool PlaybackWatcherLeft();
// Why the playback stopped before the end of its file, or empty: the game
// asked the host for something the recording does not hold in that place.
const std::string& PlaybackProblem();
