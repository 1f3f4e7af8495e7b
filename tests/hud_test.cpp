#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/host_path.h"
#include "loop/frame.h"
#include "loop/main_loop.h"
#include "overlay/fonts.h"
#include "overlay/hud.h"
#include "overlay/overlay.h"
#include "overlay_fixture.h"
#include "pictures/asset_table.h"
#include "rules/frame_rules.h"
#include "rules_test_support.h"
#include "world/world.h"

namespace {

using Lines = std::vector<std::pair<int, std::string>>;  // y, text

const Lines StatusLines = {
    {420, "WIN32VALDORIKCATAPULTR006B"},
    {400, "Press H for help."},
    {380, "map_sx=17 map_sy=45"},
    {360, "selected_unit=4"},
    {340, "map_ex=20 map_ey=41"},
    {320, "empire_0_gold=12.50"},
};

const Lines HelpPage = {
    {420, "WIN32VALDORIKCATAPULTR006A HELP"},
    {400, "F1 start new game."},
    {380, "F2-F4 different unit size."},
    {360, "SHIFT-Dir. change view, PGDWN-PGUP zoom."},
    {340, "Dir. move map."},
    {320, "Space rotate with mouse."},
    {300, "0 and backspace, move screen over last unit."},
    {280, "Left click recruit."},
    {260, "Right click move and attack."},
    {240, "ESC quit."},
    {220, "F5-F8 change speed."},
    {200, "M move window."},
    {180, "P pause and go on."},
    {160, "Alt+Enter fullscreen."},
};

const char* const PlayerWins = "Victory for empire 0. (player) VICTORY VICTORY VICTORY";
const char* const ComputerWins = "Victory for empire 1. (computer) VICTORY VICTORY VICTORY";
const char* const Tie = "Victory is a tie. (player and computer) VICTORY VICTORY VICTORY";
const char* const Prompt = "Press F1 to start a new game.";

constexpr uint8_t PictureGreen = 200;

class HudTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    AllocateTextureSlots();
    // A 16 x 16 title picture: green with a transparent left half of its bottom row.
    std::vector<Rgba> title(16 * 16, Rgba{0, PictureGreen, 0, 255});
    std::fill_n(title.begin(), 8, Rgba{255, 0, 246, 255});
    MakePicture(3, 16, title);
    map_sx = 17;
    map_sy = 45;
    map_ex = 20;
    map_ey = 41;
    selected_unit = 4;
    TreasuryOf(EmpirePlayer) = 12.5f;
    FrameCounter = 3000;
    WatchedReplay = {};
    ClearOverlay();
  }
  void TearDown() override {
    WatchedReplay = {};
    WorldTest::TearDown();
  }

  // The overlay after one HUD pass, with the buffer cleared first.
  std::vector<uint8_t> Hud() {
    ClearOverlay();
    DrawHud();
    return OverlaySnapshot();
  }
};

// What the given lines look like in white large text at x, drawn one by one.
void DrawLines(int x, const Lines& lines) {
  for (const auto& [y, text] : lines) {
    FormatTextLine("%s", text.c_str());
    DrawLargeText(x, y, 255, 255, 255);
  }
}

// Empty when the two pictures agree, else where they first differ.
std::string FirstDifference(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want) {
  for (size_t i = 0; i < got.size(); i += 4)
    for (size_t c = 0; c < 4; ++c)
      if (got[i + c] != want[i + c]) {
        const int pixel = static_cast<int>(i / 4);
        return "first difference at x=" + std::to_string(pixel % FrameWidth) +
               " y=" + std::to_string(pixel / FrameWidth);
      }
  return "";
}

// What the HUD should draw: a block of lines at x 40; for a finished game also
// the outcome messages, the title picture and the prompt; over all of them a
// watched replay's mark.
std::vector<uint8_t> Expected(const Lines& block, const Lines& outcomes, bool picture, const Lines& mark = {}) {
  ClearOverlay();
  DrawLines(40, block);
  DrawLines(100, outcomes);
  if (picture) BlitPicture(200, 200, 3);
  if (!outcomes.empty()) DrawLines(100, {{260, Prompt}});
  DrawLines(40, mark);
  return OverlaySnapshot();
}

bool TitlePictureShown() { return OverlayPixel(215, 215) == Rgba{0, PictureGreen, 0, 255}; }

TEST_F(HudTest, EachStateDrawsExactlyItsLinesPictureAndPrompt) {
  const Lines all = {{280, PlayerWins}, {280, ComputerWins}, {280, Tie}};  // one place, the tie last
  struct Case {
    const char* what;
    int help, frame, player, computer, tie;
    const Lines& block;
    Lines outcomes;
    bool picture;
  } cases[] = {
      {"status", 0, 3000, 0, 0, 0, StatusLines, {}, false},
      {"help", 1, 3000, 0, 0, 0, HelpPage, {}, false},
      {"first frame", 0, 1, 0, 0, 0, StatusLines, {}, true},
      {"player wins", 0, 3000, 1, 0, 0, StatusLines, {{280, PlayerWins}}, true},
      {"computer wins", 0, 3000, 0, 1, 0, StatusLines, {{280, ComputerWins}}, true},
      {"tie", 0, 3000, 0, 0, 1, StatusLines, {{280, Tie}}, true},
      {"all three flags", 0, 3000, 1, 1, 1, StatusLines, all, true},
  };
  for (const Case& c : cases) {
    HelpVisible = c.help;
    FrameCounter = c.frame;
    VictoryPlayer = c.player;
    VictoryComputer = c.computer;
    VictoryTie = c.tie;
    const std::vector<uint8_t> hud = Hud();
    EXPECT_EQ(HelpVisible, c.help) << c.what << ": only a finished game closes the help page";
    EXPECT_EQ(FirstDifference(hud, Expected(c.block, c.outcomes, c.picture)), "") << c.what;
  }
  // The block's first glyphs sit on rows 408-419; nothing above them.
  VictoryPlayer = VictoryComputer = VictoryTie = 0;
  Hud();
  for (auto [x, y] : InkedPixels()) EXPECT_LT(y, 420);
  // The tie text is the longest: its tail stands alone past the others.
  VictoryPlayer = VictoryComputer = VictoryTie = 1;
  Hud();
  EXPECT_EQ(OverlayPixel(100 + 62 * 8 + 2, 270)[3], 255);  // the foot of its last Y
}

// A watched replay's mark sits in the rows above the block that a game leaves
// free, with the title picture, the help page or a finished game's message.
TEST_F(HudTest, AWatchedReplayIsMarkedAboveTheBlockWithItsPassesThenItsEnd) {
  IdlePasses = 1520;
  WatchedReplay = {.shown = true, .passes = 6000, .ended = false};
  const Lines under_way = {{ReplayMarkY, "REPLAY 1520 / 6000 passes"}};
  const Lines over = {{ReplayMarkY, ReplayEndWords}};
  struct Case {
    const char* what;
    int help, frame, computer;
    bool ended;
    const Lines& block;
    Lines outcomes;
    bool picture;
    const Lines& mark;
  } cases[] = {
      {"under way", 0, 3000, 0, false, StatusLines, {}, false, under_way},
      {"with the title", 0, 1, 0, false, StatusLines, {}, true, under_way},
      {"with the help page", 1, 3000, 0, false, HelpPage, {}, false, under_way},
      {"at its end", 0, 3000, 0, true, StatusLines, {}, false, over},
      {"at the end of a finished game", 0, 3000, 1, true, StatusLines, {{280, ComputerWins}}, true, over},
  };
  for (const Case& c : cases) {
    HelpVisible = c.help;
    FrameCounter = c.frame;
    VictoryComputer = c.computer;
    WatchedReplay.ended = c.ended;
    const std::vector<uint8_t> hud = Hud();
    EXPECT_EQ(FirstDifference(hud, Expected(c.block, c.outcomes, c.picture, c.mark)), "") << c.what;
  }
  // All the mark changes lies above the block's first glyph rows.
  VictoryComputer = 0;
  const std::vector<uint8_t> marked = Hud();
  WatchedReplay.shown = false;
  const std::vector<uint8_t> played = Hud();
  int changed = 0;
  for (int y = 0; y < FrameHeight; ++y)
    for (int x = 0; x < FrameWidth; ++x) {
      const size_t at = (static_cast<size_t>(y) * FrameWidth + x) * 4;
      if (std::equal(&marked[at], &marked[at] + 4, &played[at])) continue;
      ++changed;
      EXPECT_GE(y, HudBlockTopY) << "x=" << x;
    }
  EXPECT_GT(changed, 0);
}

TEST_F(HudTest, TitlePictureDuringTheFirstFramesUnlessHelpIsOpen) {
  for (int frame : {1, 2999}) {
    FrameCounter = frame;
    Hud();
    EXPECT_TRUE(TitlePictureShown()) << frame;
    EXPECT_EQ(OverlayPixel(200, 200), (Rgba{0, 0, 0, 0})) << "its transparent pixels leave the overlay alone";
  }
  FrameCounter = 3000;
  Hud();
  EXPECT_FALSE(TitlePictureShown());

  FrameCounter = 10;
  HelpVisible = 1;
  Hud();
  EXPECT_FALSE(TitlePictureShown()) << "the help page hides the picture";
  HelpVisible = 0;
  Hud();
  EXPECT_TRUE(TitlePictureShown()) << "closing help brings it back";
}

TEST_F(HudTest, GameOverShowsHelpForOneFrameOnlyThenStatusLines) {
  VictoryComputer = 1;
  HelpVisible = 1;  // H was pressed in this frame
  const std::vector<uint8_t> first = Hud();
  ClearHelpAfterGameOver();  // what the frame does once the HUD is drawn
  EXPECT_EQ(HelpVisible, 0);
  EXPECT_EQ(FirstDifference(first, Expected(HelpPage, {{280, ComputerWins}}, true)), "");
  const std::vector<uint8_t> next = Hud();
  EXPECT_EQ(FirstDifference(next, Expected(StatusLines, {{280, ComputerWins}}, true)), "");
}

// The title picture as the build writes it into the game folder.
bool LoadBuiltTitlePicture() {
  for (const PictureAsset& asset : PictureAssets)
    if (asset.slot == IntroPictureSlot)
      return LoadBitmapSlot((std::string(VALDORIK_GAME_DIR) + "/" + HostPath(asset.path)).c_str(), asset.slot,
                            MaxPictureSide(asset.slot));
  return false;
}

// The game-over frame blits the title picture over the outcome; over the
// picture the game ships, each outcome and the prompt under it still read
// whole: in their lines' rows the frame holds their letters and nothing else.
TEST_F(HudTest, OutcomeAndPromptReadWholeOverTheBuiltTitlePicture) {
  ASSERT_TRUE(LoadBuiltTitlePicture()) << LastBitmapError();
  const std::pair<int*, const char*> outcomes[] = {
      {&VictoryPlayer, PlayerWins}, {&VictoryComputer, ComputerWins}, {&VictoryTie, Tie}};
  for (const auto& [flag, message] : outcomes) {
    VictoryPlayer = VictoryComputer = VictoryTie = 0;
    *flag = 1;
    const std::vector<uint8_t> hud = Hud();
    for (const auto& [y, text] : Lines{{OutcomeY, message}, {PromptY, Prompt}}) {
      ClearOverlay();
      DrawLines(OutcomeX, {{y, text}});
      const int right = OutcomeX + static_cast<int>(text.size()) * LargeAdvance;
      int spoilt = 0;
      for (int row = y - (LargeGlyphRowCount - 1); row < y; ++row)
        for (int x = OutcomeX; x < right; ++x)
          spoilt += !std::equal(hud.begin() + (row * FrameWidth + x) * 4, hud.begin() + (row * FrameWidth + x + 1) * 4,
                                OverlayPixel(x, row).begin());
      EXPECT_EQ(spoilt, 0) << "\"" << text << "\": pixels of its rows that are not its letters";
    }
  }
}

}  // namespace
