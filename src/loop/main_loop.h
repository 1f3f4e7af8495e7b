// The main loop: the game's only clock. Each pass takes one waiting event,
// or, when none waits, draws and runs one frame, presents it and applies
// the camera and scrolling keys.
#pragma once

#include <cstdint>

#include "host/host.h"

extern bool AppActive;        // false while the window is minimised: no frames then
extern int SpareToggle;       // flipped by E; nothing reads it
extern int64_t IdlePasses;    // passes that found no event waiting, since start-up

enum class PassKind { Message, Idle, Done };

void HandleHostEvent(const HostEvent& event);  // one event into key, button, pointer and window state
PassKind LoopPass();
void MainLoop();         // until a Quit event or Escape
void ApplyLoopKeys();    // zoom, E, tilt and turn, scroll
void ResetLoopState();   // active, no spare toggle, no passes yet
