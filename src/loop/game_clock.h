// The game's own time, apart from drawing. Passes are due one frame period
// apart, plus the pauses a pass asks for (GameSleep: the speed setting, the
// speed keys, H, E, scrolling). Whoever drives the loop calls StepLoop with
// its clock and waits, handling its window, until NextPassDueMs; nothing in
// the game blocks.
//
// A slow screen skips drawing, not time: a pass that starts a whole period
// or more behind runs its frame's rules without drawing or presenting it,
// which changes the state exactly as a drawn frame does. At most
// MaxFramesUndrawn frames in a row go undrawn, so the picture still moves
// at 15 frames a second at the worst (the pointer can still be aimed); a
// machine slower than that slows the game, as a machine slower than the
// rules always did. A clock more than MaxFramesBehind periods behind (a
// stall, a tab that was hidden) lets the rest of that time go rather than
// run it in a burst.
#pragma once

#include "host/state_list.h"
#include "loop/main_loop.h"

constexpr int FramesPerSecond = 60;
constexpr double FramePeriodMs = 1000.0 / FramesPerSecond;
constexpr int MaxFramesUndrawn = 3;
constexpr int MaxFramesBehind = 2 * (MaxFramesUndrawn + 1);

// The clock's state, listed as the game's state is (host/state_list.h).
// ClockStarted: NextPassDueMs is on the driver's clock (the first step sets it).
// FramesUndrawn: frames in a row run without drawing.
#define VALDORIK_CLOCK_STATE(X)    \
  X(bool, ClockStarted, false)     \
  X(double, NextPassDueMs, 0.0)    \
  X(int, FramesUndrawn, 0)
VALDORIK_CLOCK_STATE(VALDORIK_DECLARE_STATE)

// Runs the passes due at `now_ms` (the driver's clock, in milliseconds):
// the waiting events' message passes and the idle passes whose time has
// come, up to the one it draws, which ends the step (a step is one picture
// on the screen; what is still due then waits for the next step). False
// once the loop is done.
// `pass` is the pass the loop runs: LoopPass, or a versus game's.
using PassFunction = PassKind (*)(bool drawn);
bool StepLoop(double now_ms, PassFunction pass = LoopPass);
// A close waits in the queue: the passes that take it run at the next step.
void HurryNextPass();
// The first time (on the driver's clock) at which a step runs the next pass.
double NextStepMs();
