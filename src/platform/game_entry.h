// The game's entry, the same on every backend (backend.h): the options, the
// recording or the replay, the window, the loop, the final dump, teardown.
#pragma once

#include "host/exit_status.h"

// The game first moves to the folder that holds its pictures (game_folder.h).
// Ok at a normal end, FailedStart after a failed start, BadInput for bad
// options or an unreadable replay; each failure is told on stderr (and a
// failed start in its message box) before it returns.
ExitStatus GameMain(int argc, char** argv);
