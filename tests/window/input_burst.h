// A burst of hostile input, the same for the same seed: every key the game
// reads, other keys, the three buttons and the wheel, the pointer anywhere
// on the screen, long holds of F1, M, Space, Shift, P and the arrows, window
// resizes and moves, minimise and restore, the focus taken away.
#pragma once

#include <X11/Xlib.h>

#include <string>

// Plays SECONDS of it on the window titled TITLE, then leaves the window
// shown, focused, at 640 x 480 with nothing held; the actions are logged to
// LOG_PATH when given. 1 when the window is missing or goes away, 2 for a
// seed or length that is not a whole number in range.
int RunBurst(Display* display, const std::string& title, const char* seed, const char* seconds,
             const char* log_path);
