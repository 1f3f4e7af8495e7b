// How often the game may present a frame. The game's clock is the frame,
// so a display that refreshes faster than this would speed the game up.
#pragma once

#include <cstdint>

#include "host/state_list.h"

constexpr int PacedFramesPerSecond = 60;

// Whether the game must hold presentation to PacedFramesPerSecond itself.
// A swap that waits for a display of at most that rate needs no help
// (59.94 Hz displays report 59 or 60); a swap that does not wait, a faster
// display or an unknown rate (0) does.
bool NeedsPresentPacing(bool vsync_on, int refresh_hz);

// Paced presentation keeps to a fixed grid of ticks, one period apart. A
// frame that came late is made up by the next ones presenting at once, so a
// busy moment does not slow the game for good; a pass more than
// MaxFramesMadeUp periods behind (a scroll key's 100 ms sleep) starts a new
// grid instead of catching up with a burst of frames.
constexpr int MaxFramesMadeUp = 3;

// The ticks to wait before presenting at `now`; moves `next_tick` (0 before
// the first frame) on by one period.
uint64_t PresentWait(uint64_t& next_tick, uint64_t now, uint64_t period);

// The window's pacing, kept here for every window backend and listed as the
// game's state is (host/state_list.h). Paced: whether PresentSleepMs holds
// presentation back; NextTick: the grid's next tick (0: a new grid).
#define VALDORIK_PACING_STATE(X) \
  X(bool, Paced, true)           \
  X(uint64_t, NextTick, 0)
VALDORIK_PACING_STATE(VALDORIK_DECLARE_STATE)

// Set again when the window is made or moves to another display; the grid
// starts anew.
void SetPresentPacing(bool vsync_on, int refresh_hz);
// Milliseconds to sleep before presenting at `now` (the backend's counter,
// `ticks_per_second`); always 0 for a window that needs no pacing.
int PresentSleepMs(uint64_t now, uint64_t ticks_per_second);
