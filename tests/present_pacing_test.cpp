// When the game paces presentation itself: wherever the swap alone would
// present more than PacedFramesPerSecond frames a second.
#include <gtest/gtest.h>

#include <initializer_list>

#include "loop/present_pacing.h"

namespace {

struct Display {
  bool vsync_on;
  int refresh_hz;
  bool paced;
};

TEST(PresentPacing, PacedWhereTheSwapAloneWouldPresentTooOften) {
  const Display displays[] = {
      {true, 60, false},  {true, 59, false},   // 60 and 59.94 Hz: the swap is the pace
      {true, 50, false},                       // slower than the pace: nothing to hold back
      {true, 61, true},   {true, 75, true},   {true, 120, true}, {true, 144, true}, {true, 240, true},
      {true, 0, true},                         // the display does not say
      {false, 60, true},  {false, 144, true}, {false, 0, true},  // vsync refused
  };
  for (const Display& d : displays)
    EXPECT_EQ(NeedsPresentPacing(d.vsync_on, d.refresh_hz), d.paced)
        << "vsync " << (d.vsync_on ? "on" : "off") << ", " << d.refresh_hz << " Hz";
}

// One paced present: the frame is ready at `now`, and waits `wait` ticks.
struct Present {
  uint64_t now, wait;
};

void ExpectWaits(const char* what, std::initializer_list<Present> presents) {
  constexpr uint64_t Period = 1000;
  uint64_t next_tick = 0;
  for (const Present& p : presents)
    EXPECT_EQ(PresentWait(next_tick, p.now, Period), p.wait) << what << ", ready at " << p.now;
}

TEST(PresentPacing, FramesKeepToTheGridAndMakeUpForAShortStall) {
  // Frames ready early wait for their tick: 5000, 6000, 7000, ...
  ExpectWaits("on time", {{5000, 0}, {5400, 600}, {6100, 900}, {7999, 1}, {8500, 500}});
  // The frame due at 7000 is ready only at 9500: it and the two after it,
  // also overdue, go at once; the next keeps the old grid's tick 10000.
  ExpectWaits("short stall", {{5000, 0}, {5200, 800}, {9500, 0}, {9600, 0}, {9700, 0}, {9800, 200}});
}

TEST(PresentPacing, AFarLatePassStartsANewGrid) {
  // Just more behind than can be made up: no burst, a new grid from there.
  const uint64_t late = 7000 + MaxFramesMadeUp * 1000 + 1;
  ExpectWaits("far behind", {{5000, 0}, {5100, 900}, {late, 0}, {late + 100, 900}, {late + 1000, 1000}});
}

// The window's pacing as the backends use it, on a microsecond counter.
TEST(PresentPacing, TheWindowSleepsWholeMillisecondsOnlyWhenPaced) {
  constexpr uint64_t Micro = 1000000;
  SetPresentPacing(false, 144);  // a 144 Hz display without vsync
  EXPECT_EQ(PresentSleepMs(5 * Micro, Micro), 0);
  EXPECT_EQ(PresentSleepMs(5 * Micro + 1000, Micro), 15) << "16.67 ms after the first frame, less 1 ms, rounded down";
  EXPECT_EQ(PresentSleepMs(5 * Micro + 40000, Micro), 0) << "ready after its tick at 33333 us";
  SetPresentPacing(true, 60);  // synced at 60 Hz: the swap paces itself
  EXPECT_EQ(PresentSleepMs(6 * Micro, Micro), 0);
  EXPECT_EQ(PresentSleepMs(6 * Micro, Micro), 0);
  SetPresentPacing(true, 0);  // synced, rate unknown: paced, on a new grid
  EXPECT_EQ(PresentSleepMs(7 * Micro, Micro), 0);
  EXPECT_EQ(PresentSleepMs(7 * Micro, Micro), 16);
}

}  // namespace
