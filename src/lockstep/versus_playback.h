// Playing a versus replay: the recorded turns run as both games ran them,
// seen from either player's side.
#pragma once

#include <string>

#include "lockstep/versus_replay.h"

// Reads a versus replay file; false with `error` ("NAME: ...") otherwise.
bool ReadVersusReplayFile(const std::string& path, VersusReplay& replay, std::string& error);
// Starts the recorded game, its view seat's view in the globals. The replay must outlive the playback.
void StartVersusPlayback(const VersusReplay& replay, int view_seat);
// Plays the next turn (with the hand-overs before it); false once the recording is over.
bool PlayVersusTurn();
