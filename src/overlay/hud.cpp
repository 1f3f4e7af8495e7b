#include "overlay/hud.h"

#include <cstring>

#include "lockstep/lockstep.h"
#include "lockstep/versus_game.h"
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
  FormatTextLine("empire_%d_gold=%2.2f", ViewSeat, static_cast<double>(TreasuryOf(ViewSeat)));
  DrawWhite(HudBlockX, HudLineY(5));
}

void DrawHelpPage() {
  int line = 0;
  for (const char* text : HelpLines) {
    FormatTextLine("%s", text);
    DrawWhite(HudBlockX, HudLineY(line++));
  }
}

// Who plays a seat, as the player watching this frame calls them.
const char* SeatName(int seat) {
  if (seat == ViewSeat) return "you";
  return PlayedBy[seat] ? "your friend" : "the computer";
}

void FormatVersusOutcome(const Outcome& outcome) {
  if (outcome.flag == &VictoryTie)
    FormatTextLine("Victory is a tie. (%s and %s) VICTORY VICTORY VICTORY", SeatName(0), SeatName(1));
  else
    FormatTextLine("Victory for empire %d. (%s) VICTORY VICTORY VICTORY", outcome.flag == &VictoryComputer ? 1 : 0,
                   SeatName(outcome.flag == &VictoryComputer ? 1 : 0));
}

void DrawGameOver() {
  for (const Outcome& outcome : Outcomes) {
    if (!*outcome.flag) continue;
    if (VersusPlaying)
      FormatVersusOutcome(outcome);
    else
      FormatTextLine("%s", outcome.message);
    DrawWhite(OutcomeX, OutcomeY);
  }
  BlitPicture(IntroPictureX, IntroPictureY, IntroPictureSlot);
  FormatTextLine(VersusPlaying ? "Press F1 for a new game: it starts when you both have." : "Press F1 to start a new game.");
  DrawWhite(OutcomeX, PromptY);
}

// What the versus game asks of the player, then what the line says.
const char* VersusGameWords() {
  const int friend_seat = OpponentOf(ViewSeat);
  if (LeftBy >= 0) return LeftBy == ViewSeat ? "You left the game." : "Your friend left the game. Press ESC to close.";
  if (NewGameAsked[friend_seat]) return "Your friend asks for a new game: press F1.";
  if (NewGameAsked[ViewSeat]) return "You asked for a new game: waiting for your friend.";
  return "";
}

void DrawVersusLines() {
  if (!VersusPlaying && ConnectionWords.empty()) return;
  FormatTextLine("%s", VersusPlaying ? VersusGameWords() : "");
  DrawWhite(HudBlockX, VersusAsksY);
  FormatTextLine("%s", ConnectionWords.c_str());
  DrawWhite(HudBlockX, ConnectionLineY);
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
  DrawVersusLines();
  DrawReplayMark();
}

void DrawPausedWords() {
  ClearOverlay();
  if (VersusPlaying)
    FormatTextLine("%s by %s", PausedWords, PausedBy == ViewSeat ? "you" : "your friend");
  else
    FormatTextLine("%s", PausedWords);
  const int width = static_cast<int>(std::strlen(TextLine)) * LargeAdvance;
  DrawLargeText((FrameWidth - width) / 2, (FrameHeight + LargeGlyphRowCount) / 2, 255, 255, 255);
}
