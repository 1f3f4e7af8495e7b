// Many games under random input, with the table's invariants checked after
// every frame. Short by default; for a long run (best in the sanitizer build)
//   VALDORIK_SOAK_GAMES=50 VALDORIK_SOAK_FRAMES=20000 VALDORIK_SOAK_SEED=3
//     build-asan/valdorik_tests --gtest_filter='Soak.*'   (one command line)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "overlay/hud.h"
#include "overlay/overlay_buffer.h"
#include "loop/frame.h"
#include "rules/frame_rules.h"
#include "rules_test_support.h"
#include "world/new_game.h"

namespace {

int EnvOr(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

// The soak's own generator (xorshift64*), kept apart from the game's.
struct SoakRandom {
  uint64_t state;
  uint32_t Next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return static_cast<uint32_t>((state * 2685821657736338717ull) >> 32);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
  bool OneIn(int n) { return Below(n) == 0; }
};

// Every key and button the rules read; F1 (a new game) is pressed more rarely, below.
constexpr int SoakKeys[] = {KeyF2, KeyF3, KeyF4, KeyF5, KeyF6, KeyF7, KeyF8, KeyBackspace, Key0, KeySpace, KeyH};

void MovePointer(SoakRandom& rng) {
  if (rng.OneIn(50)) {  // anywhere a 16-bit window coordinate reaches
    MouseState.x = rng.Below(65536);
    MouseState.y = rng.Below(65536);
  } else {  // over the window, now and then a little outside it
    MouseState.x = rng.Below(720) - 40;
    MouseState.y = rng.Below(560) - 40;
  }
}

// The main loop's scrolling keys move the view origin past the borders, and
// without bounds when held long enough.
void ScrollView(SoakRandom& rng) {
  const bool far = rng.OneIn(20);
  map_sx = far ? rng.Below(20001) - 10000 : rng.Below(90) - 13;
  map_sy = far ? rng.Below(20001) - 10000 : rng.Below(90) - 13;
}

// `restarts`: F1 now and then; games without it run on to their outcome and past it.
void PlayRandomly(SoakRandom& rng, bool restarts) {
  if (rng.OneIn(3)) MovePointer(rng);
  if (rng.OneIn(8)) MouseState.left = !MouseState.left;
  if (rng.OneIn(8)) MouseState.right = !MouseState.right;
  if (rng.OneIn(20)) MouseState.middle = !MouseState.middle;
  for (int key : SoakKeys)
    if (rng.OneIn(40)) KeyState[key] = !KeyState[key];
  KeyState[KeyF1] = restarts && rng.OneIn(4000);
  if (rng.OneIn(50)) ScrollView(rng);
}

void ExpectInvariants(int game, int frame) {
  const std::string where = "game " + std::to_string(game) + " frame " + std::to_string(frame);
  int in_use = 0, mines = 0;
  for (int id = 0; id < UnitCount; ++id) {
    const UnitRecord& u = UnitTable[id];
    if (u.in_use == 0) continue;
    ASSERT_EQ(u.in_use, 1) << where;
    ASSERT_LT(id, 85) << where;
    ++in_use;
    mines += u.type == TypeMine;
    ASSERT_TRUE(u.hp >= 0.0f && u.hp <= u.hp_max) << where << " id " << id << " hp " << u.hp;
    ASSERT_EQ(u.dead == 1, u.hp == 0.0f) << where << " id " << id;
    ASSERT_LE(u.dead, 1) << where;
    ASSERT_TRUE(u.cell_x < MapSize && u.cell_y < MapSize) << where << " id " << id;
    ASSERT_LE(u.order, 3) << where << " id " << id;
    ASSERT_TRUE(u.owner >= 0 && u.owner <= 2) << where;
    ASSERT_TRUE(u.mining == 0 || u.mining == 1) << where;
    if (u.order == OrderAttack || u.order == OrderGoTo) {
      ASSERT_TRUE(u.target >= 0 && u.target < UnitCount) << where << " id " << id;
    }
  }
  ASSERT_EQ(in_use, 85) << where;
  ASSERT_LE(mines, 5) << where;
  ASSERT_GE(TreasuryOf(EmpirePlayer), 0.0f) << where;
  ASSERT_GE(TreasuryOf(EmpireComputer), 0.0f) << where;
  ASSERT_TRUE(selected_unit >= 0 && selected_unit < UnitCount) << where;
  ASSERT_TRUE(GameSpeed >= 1 && GameSpeed <= 12) << where;
}

using Soak = RulesTest;

TEST_F(Soak, InvariantsHoldUnderRandomInput) {
  const int games = EnvOr("VALDORIK_SOAK_GAMES", 3);
  const int frames = EnvOr("VALDORIK_SOAK_FRAMES", 3000);
  SoakRandom rng{0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(EnvOr("VALDORIK_SOAK_SEED", 1))};
  int decided = 0;
  int64_t played = 0;
  for (int game = 0; game < games; ++game) {
    ResetInput();
    UseHeadlessHost(rng.Next());
    NewGame();
    for (int frame = 1; frame <= frames; ++frame) {
      PlayRandomly(rng, game % 2 == 0);
      RunFrame();
      ClearOverlay();  // the frame's closing text, with whatever the rules left
      DrawHud();
      ++played;
      ExpectInvariants(game, frame);
      if (HasFatalFailure()) return;
    }
    decided += VictoryPlayer || VictoryComputer;
  }
  RecordProperty("decided_games", decided);
  std::printf("soak: %d games, %lld frames checked, %d decided\n", games, static_cast<long long>(played), decided);
}

}  // namespace
