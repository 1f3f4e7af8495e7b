// The game's entry, the same on every window backend: the options, the
// recording or the replay, the window, the loop, the final dump, teardown.
#pragma once

#include <string>

#include "host/exit_status.h"
#include "host/host.h"

struct WindowBackend {
  GameHost (*host)();          // the backend's host: events, keys, clock, window, sound, drawing
  void (*shut_down)();         // after the window is gone: the backend's own libraries
  std::string (*own_folder)(); // the executable's folder, UTF-8; empty when unknown
};

// The game first moves to the folder that holds its pictures (game_folder.h).
// Ok at a normal end, FailedStart after a failed start, BadInput for bad
// options or an unreadable replay; each failure is told on stderr (and a
// failed start in its message box) before it returns.
ExitStatus GameMain(int argc, char** argv, const WindowBackend& backend);
