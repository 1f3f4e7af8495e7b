// The game's entry, the same on every backend (backend.h): the options, the
// recording or the replay, the window, the loop's steps, the final dump,
// teardown.
#pragma once

#include "host/exit_status.h"

// The game first moves to the folder that holds its pictures (game_folder.h).
// Ok at a normal end, FailedStart after a failed start, BadInput for bad
// options or an unreadable replay; each failure is told on stderr (and a
// failed start in its message box) before it returns.
// Runs the whole game before it returns: the steps below, waiting between
// them in the backend's WaitForWindow.
ExitStatus GameMain(int argc, char** argv);

// The same run, for a backend whose system calls it back (the browser):
// BeginGame; StepGame whenever the system gives it time, until it answers
// false; then EndGame. BeginGame answers false, with the status, when the
// run ends before its game starts (--help, bad options, a failed start).
bool BeginGame(int argc, char** argv, ExitStatus& status);
bool StepGame(double now_ms);  // every pass due at now_ms; false once the run is over
double NextStepDueMs();        // on the clock StepGame was given
ExitStatus EndGame();
