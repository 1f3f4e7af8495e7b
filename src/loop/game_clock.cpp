#include "loop/game_clock.h"

#include <algorithm>
#include <utility>

#include "host/host.h"

VALDORIK_CLOCK_STATE(VALDORIK_DEFINE_STATE)

namespace {

// Half a period early is in time: a display's refreshes that come a little
// early or late still get one pass each. NextPassDueMs counts with it.
constexpr double InTimeLeadMs = FramePeriodMs / 2;

// Whether the idle pass due now is drawn: not when the one after it is due
// already, unless the frames undrawn in a row have reached their bound.
bool DrawsPassDueAt(double now_ms) {
  const bool behind = now_ms >= NextPassDueMs + FramePeriodMs;
  return !behind || FramesUndrawn >= MaxFramesUndrawn;
}

void CountIdlePass(bool drawn) {
  FramesUndrawn = drawn ? 0 : FramesUndrawn + 1;
  NextPassDueMs += FramePeriodMs + std::exchange(PauseAskedMs, 0);
}

}  // namespace

bool StepLoop(double now_ms, PassFunction pass) {
  now_ms += InTimeLeadMs;
  if (!ClockStarted) {
    ClockStarted = true;
    NextPassDueMs = now_ms;
  }
  NextPassDueMs = std::max(NextPassDueMs, now_ms - MaxFramesBehind * FramePeriodMs);
  while (now_ms >= NextPassDueMs) {
    const bool drawn = DrawsPassDueAt(now_ms);
    switch (pass(drawn)) {
      case PassKind::Done: return false;
      case PassKind::Waiting: return true;
      case PassKind::Message: break;
      case PassKind::Idle:
        CountIdlePass(drawn);
        if (drawn) return true;  // one picture a step: the screen shows no more
        break;
    }
  }
  return true;
}

double NextStepMs() { return NextPassDueMs - InTimeLeadMs; }

void HurryNextPass() { NextPassDueMs = -MaxFramesBehind * FramePeriodMs; }
