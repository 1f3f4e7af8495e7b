// The main loop: the game's only clock. Each pass takes one waiting event,
// or, when none waits, draws and runs one frame, presents it and applies
// the camera and scrolling keys; while paused it only shows the paused
// picture.
#pragma once

#include <cstdint>

#include "host/host.h"
#include "host/state_list.h"

// The loop's state, listed as the game's state is (host/state_list.h).
// AppActive: false while the window is minimised, no frames then.
// SpareToggle: flipped by E; nothing reads it.
// IdlePasses: passes that found no event waiting, since start-up.
#define VALDORIK_LOOP_STATE(X) \
  X(bool, AppActive, true)     \
  X(int, SpareToggle, 0)       \
  X(int64_t, IdlePasses, 0)
VALDORIK_LOOP_STATE(VALDORIK_DECLARE_STATE)

enum class PassKind { Message, Idle, Done };

void HandleHostEvent(const HostEvent& event);  // one event into key, button, pointer and window state
PassKind LoopPass();
void MainLoop();         // until a Quit event or Escape
void ApplyLoopKeys();    // zoom, E, tilt and turn, scroll
void ResetLoopState();   // every row of VALDORIK_LOOP_STATE to its load value
