// The game's entry, the same on every window backend: the options, the
// recording or the replay, the window, the loop, the final dump, teardown.
#pragma once

#include "host/host.h"

struct WindowBackend {
  GameHost (*host)();      // the backend's host: events, keys, clock, window, sound, drawing
  void (*shut_down)();     // after the window is gone: the backend's own libraries
};

// Returns the process's exit status: 0 at a normal end, 1 after a failed
// start, 2 for bad options or an unreadable replay.
int GameMain(int argc, char** argv, const WindowBackend& backend);
