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
