#include "loop/present_pacing.h"

bool NeedsPresentPacing(bool vsync_on, int refresh_hz) {
  return !vsync_on || refresh_hz <= 0 || refresh_hz > PacedFramesPerSecond;
}

uint64_t PresentWait(uint64_t& next_tick, uint64_t now, uint64_t period) {
  if (next_tick == 0 || now > next_tick + MaxFramesMadeUp * period) next_tick = now;
  const uint64_t wait = now < next_tick ? next_tick - now : 0;
  next_tick += period;
  return wait;
}

VALDORIK_PACING_STATE(VALDORIK_DEFINE_STATE)

void SetPresentPacing(bool vsync_on, int refresh_hz) {
  Paced = NeedsPresentPacing(vsync_on, refresh_hz);
  NextTick = 0;
}

int PresentSleepMs(uint64_t now, uint64_t ticks_per_second) {
  if (!Paced) return 0;
  const uint64_t wait = PresentWait(NextTick, now, ticks_per_second / PacedFramesPerSecond);
  return static_cast<int>(wait * 1000 / ticks_per_second);
}
