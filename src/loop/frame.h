#pragma once

#include <cstdint>

// One pass of the game: draws the frame and runs one step of the rules in
// their fixed interleaved order. Undrawn, the rules run alone, the same.
void RunFrame(bool drawn = true);
// The frame as the rules last left it, drawn again while they stand still:
// the end of a watched replay stays on the screen so.
void DrawStillFrame();

// A replay being watched: the HUD marks its frames with how far it has come
// and with its end. Set by the game's entry for --replay only: a game played,
// continued or simulated has no mark, and its frames are as they always were.
struct ReplayMark {
  bool shown = false;  // a replay is being watched
  int64_t passes = 0;  // the passes its file holds
  bool ended = false;  // it has played them all
};
extern ReplayMark WatchedReplay;
