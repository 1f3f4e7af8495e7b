// The main loop. Each pass takes one waiting event, or, when none waits,
// draws and runs one frame, presents it and applies the camera and
// scrolling keys; while paused it only shows the paused picture. The
// game's clock (game_clock.h) says when a pass is due and whether it draws.
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

// Waiting: a versus game's turn could not run yet (the other player's input
// is not in); the time it was due stays due.
enum class PassKind { Message, Idle, Waiting, Done };

void HandleHostEvent(const HostEvent& event);  // one event into key, button, pointer and window state
// One pass: an event's, or an idle pass that runs a frame, presents it and
// applies the loop's keys. An undrawn pass changes the state exactly as a
// drawn one; it only leaves the picture and the present out.
PassKind LoopPass(bool drawn = true);
// Every pass at once, until a Quit event or Escape, with no clock: the
// simulator, a continued game's past and the tests.
void MainLoop();
void ApplyLoopKeys();    // zoom, E, tilt and turn, scroll
void ResetLoopState();   // every row of VALDORIK_LOOP_STATE to its load value
