#include "overlay/hud.h"

#include <cstring>

#include "loop/frame.h"
#include "loop/main_loop.h"
#include "overlay/fonts.h"
#include "overlay/overlay.h"
#include "overlay/overlay_buffer.h"
#include "pictures/asset_table.h"
#include "rules/computer.h"
#include "world/world.h"

namespace {

constexpr int TitleFrames = 3000;  // the counter is already advanced: shown for 2999 frames

struct Outcome {
  const int* flag;
  const char* message;
};
// Drawn in this order at one place: when several flags are set the later text
// lands on top of the earlier.
const Outcome Outcomes[] = {
    {&VictoryPlayer, "Victory for empire 0. (player) VICTORY VICTORY VICTORY"},
    {&VictoryComputer, "Victory for empire 1. (computer) VICTORY VICTORY VICTORY"},
    {&VictoryTie, "Victory is a tie. (player and computer) VICTORY VICTORY VICTORY"},
};

void DrawWhite(int x, int y) { DrawLargeText(x, y, 255, 255, 255); }

void DrawStatusLines() {
  FormatTextLine("WIN32VALDORIKCATAPULTR006B");
  DrawWhite(HudBlockX, HudLineY(0));
  FormatTextLine("Press H for help.");
  DrawWhite(HudBlockX, HudLineY(1));
  FormatTextLine("map_sx=%d map_sy=%d", map_sx, map_sy);
  DrawWhite(HudBlockX, HudLineY(2));
  FormatTextLine("selected_unit=%d", selected_unit);
  DrawWhite(HudBlockX, HudLineY(3));
  FormatTextLine("map_ex=%d map_ey=%d", map_ex, map_ey);
  DrawWhite(HudBlockX, HudLineY(4));
  FormatTextLine("empire_0_gold=%2.2f", static_cast<double>(TreasuryOf(EmpirePlayer)));
  DrawWhite(HudBlockX, HudLineY(5));
}

void DrawHelpPage() {
  int line = 0;
  for (const char* text : HelpLines) {
    FormatTextLine("%s", text);
    DrawWhite(HudBlockX, HudLineY(line++));
  }
}

void DrawGameOver() {
  for (const Outcome& outcome : Outcomes) {
    if (!*outcome.flag) continue;
    FormatTextLine("%s", outcome.message);
    DrawWhite(OutcomeX, OutcomeY);
  }
  BlitPicture(IntroPictureX, IntroPictureY, IntroPictureSlot);
  FormatTextLine("Press F1 to start a new game.");
  DrawWhite(OutcomeX, PromptY);
}

// Last, so that nothing the recorded game shows can hide it.
void DrawReplayMark() {
  if (!WatchedReplay.shown) return;
  if (WatchedReplay.ended)
    FormatTextLine("%s", ReplayEndWords);
  else
    FormatTextLine("REPLAY %lld / %lld passes", static_cast<long long>(IdlePasses),
                   static_cast<long long>(WatchedReplay.passes));
  DrawWhite(HudBlockX, ReplayMarkY);
}

}  // namespace

void DrawHud() {
  if (HelpVisible)
    DrawHelpPage();
  else
    DrawStatusLines();
  if (FrameCounter < TitleFrames && !HelpVisible) BlitPicture(IntroPictureX, IntroPictureY, IntroPictureSlot);
  if (IsGameDecided()) DrawGameOver();
  DrawReplayMark();
}

void DrawPausedWords() {
  ClearOverlay();
  FormatTextLine("%s", PausedWords);
  const int width = static_cast<int>(std::strlen(PausedWords)) * LargeAdvance;
  DrawLargeText((FrameWidth - width) / 2, (FrameHeight + LargeGlyphRowCount) / 2, 255, 255, 255);
}
