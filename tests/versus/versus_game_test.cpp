// The versus game without a window or a network: both players' inputs
// given turn by turn, as the lockstep hands them to the rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "host/input.h"
#include "lockstep/peer_messages.h"
#include "lockstep/versus_game.h"
#include "lockstep/versus_replay.h"
#include "loop/game_state.h"
#include "loop/startup.h"
#include "rules/combat_economy.h"
#include "world/world.h"

namespace {

constexpr int HostSeat = 0, FriendSeat = 1;
constexpr HostEvent PointAtViewCentre{EventKind::PointerMove, FrameWidth / 2, FrameHeight / 2};

TurnInput Events(std::initializer_list<HostEvent> events) { return {.events = events, .instant_keys = 0}; }
HostEvent Key(EventKind kind, int key) { return {kind, key, 0}; }
HostEvent Button(EventKind kind, int button) { return {kind, button, 0}; }

class VersusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetForNewRun();
    Host = VersusHost(HeadlessHost(0));
    StartWorld();
    StartVersusGame(20261208, HostSeat);
  }
  void TearDown() override {
    ReleaseGame();
    ResetForNewRun();
    UseHeadlessHost(0);
  }
  static void Turn(const TurnInput& host, const TurnInput& friend_input) { RunVersusTurn({host, friend_input}); }
  static void Quiet(int turns) {
    for (int i = 0; i < turns; ++i) Turn({}, {});
  }
  static int UnitsOf(int empire) {
    int count = 0;
    for (int id = 0; id < UnitCount; ++id) count += UnitTable[id].in_use == 1 && UnitTable[id].owner == empire;
    return count;
  }
};

// The friend's buttons act for empire 1 from the friend's own view; the
// host's view and selection stay as they were.
TEST_F(VersusTest, TheFriendCommandsEmpireOne) {
  const UnitRecord& friend_leader = UnitTable[FriendSeat];
  int creature = 2;
  while (UnitTable[creature].owner != EmpireNeutral || UnitTable[creature].type == TypeMine) ++creature;
  UnitTable[creature].cell_x = friend_leader.cell_x;  // under the friend's pointer, at the view's centre
  UnitTable[creature].cell_y = friend_leader.cell_y;
  const float host_gold = TreasuryOf(EmpirePlayer), friend_gold = TreasuryOf(EmpireComputer);

  Turn({}, Events({PointAtViewCentre, Button(EventKind::ButtonDown, ButtonLeft)}));
  EXPECT_EQ(TreasuryOf(EmpireComputer) - TreasuryOf(EmpirePlayer), friend_gold - host_gold - RecruitPrice)
      << "a recruit try paid by empire 1, and by it alone";
  EXPECT_EQ(SeatViews[FriendSeat].selected_unit, UnitTable[creature].owner == EmpireComputer ? creature : FriendSeat);
  EXPECT_EQ(selected_unit, HostSeat) << "the host's selection is the host's";

  UnitTable[0].cell_x = friend_leader.cell_x;  // the host's leader walks under the friend's pointer
  UnitTable[0].cell_y = friend_leader.cell_y;
  Turn({}, Events({Button(EventKind::ButtonUp, ButtonLeft), Button(EventKind::ButtonDown, ButtonRight)}));
  const UnitRecord& ordered = UnitTable[SeatViews[FriendSeat].selected_unit];
  EXPECT_EQ(ordered.order, OrderAttack);
  EXPECT_EQ(ordered.target, 0);
  EXPECT_EQ(UnitTable[0].order, OrderNone) << "nobody ordered the host's leader";
}

// The computer recruits only for a side no person plays, and takes over a side left empty.
TEST_F(VersusTest, TheComputerPlaysOnlyAnEmptySide) {
  Quiet(600);
  EXPECT_EQ(UnitsOf(EmpireComputer), 1) << "the computer recruited for the friend";
  HandOverToComputer(FriendSeat);
  Quiet(600);
  EXPECT_GT(UnitsOf(EmpireComputer), 1) << "the computer did not take the friend's side";
  EXPECT_EQ(UnitsOf(EmpirePlayer), 1);
}

// Pause, a new game and leaving are the two players'; the view is each one's own.
TEST_F(VersusTest, SharedActionsNeedTheRightPlayers) {
  Turn({}, Events({Key(EventKind::KeyDown, KeyP)}));
  EXPECT_EQ(Paused, 1);
  EXPECT_EQ(PausedBy, FriendSeat);
  const int frame = FrameCounter;
  Turn(Events({Key(EventKind::KeyDown, KeyPageUp)}), Events({Key(EventKind::KeyUp, KeyP)}));
  EXPECT_EQ(FrameCounter, frame) << "a paused game ran a frame";
  Turn(Events({Key(EventKind::KeyDown, KeyP)}), {});
  EXPECT_EQ(Paused, 0);
  EXPECT_LT(CameraZoom, SeatViews[FriendSeat].CameraZoom) << "the host's zoom key moved the host's camera only";
  // Scrolling paces itself by 100 ms a step; a player holding an arrow must
  // not slow the friend's game: the step's rest is the scrolling player's own.
  const int friend_x = SeatViews[FriendSeat].map_sx;
  PauseAskedMs = 0;
  Turn(Events({Key(EventKind::KeyUp, KeyPageUp)}), Events({Key(EventKind::KeyDown, KeyRight)}));
  Quiet(11);
  EXPECT_EQ(SeatViews[FriendSeat].map_sx, friend_x + 2) << "12 turns of 17 ms hold two 100 ms scroll steps";
  EXPECT_EQ(PauseAskedMs, 0) << "one player's scrolling paused both";
  Turn({}, Events({Key(EventKind::KeyUp, KeyRight)}));

  const TurnInput f1{.events = {}, .instant_keys = 1u << 5};  // InstantKeys[5] is F1
  ASSERT_EQ(InstantKeys[5], KeyF1);
  Turn(f1, {});
  EXPECT_EQ(VersusGames, 0u) << "one player's F1 started a new game";
  EXPECT_EQ(NewGameAsked[HostSeat], 1);
  Turn({}, f1);
  EXPECT_EQ(VersusGames, 1u);
  EXPECT_EQ(FrameCounter, 0);

  Turn({}, Events({Key(EventKind::KeyDown, KeyEscape)}));
  EXPECT_TRUE(IsVersusOver());
  EXPECT_EQ(LeftBy, FriendSeat);
}

// Whatever comes from the other player is read whole or not at all.
TEST(VersusBytes, OnlyWholeWellFormedMessagesAreRead) {
  const std::vector<TurnInput> inputs = {Events({PointAtViewCentre, Key(EventKind::KeyDown, 255)}),
                                         Events({Button(EventKind::ButtonUp, 2)})};
  const std::vector<uint8_t> turn = TurnPayload(12345, inputs);
  const std::optional<PeerMessage> read = ReadPeerMessage(turn);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->turn, 12345);
  EXPECT_EQ(read->inputs, inputs);
  for (size_t cut = 0; cut < turn.size(); ++cut)
    EXPECT_FALSE(ReadPeerMessage(std::span(turn).first(cut))) << "cut at " << cut;
  struct Bad {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  const Bad bad[] = {
      {"an unknown kind", {9, 0}},
      {"a trailing byte", {uint8_t(PeerKind::Ping), 1, 2, 3, 4, 5}},
      {"a key code past 255", {uint8_t(PeerKind::Turn), 1, 1, 0, 1, uint8_t(EventKind::KeyDown), 0x80, 0x02}},
      {"a fourth button", {uint8_t(PeerKind::Turn), 1, 1, 0, 1, uint8_t(EventKind::ButtonDown), 3}},
      {"a window's own event", {uint8_t(PeerKind::Turn), 1, 1, 0, 1, uint8_t(EventKind::Close), 0}},
      {"too many events", {uint8_t(PeerKind::Turn), 1, 1, 0, 0xC9, 0x01}},
      {"no turn", {uint8_t(PeerKind::Turn), 1, 0}},
      {"more turns than a message holds", {uint8_t(PeerKind::Turn), 1, uint8_t(TurnsPerMessage + 1), 0, 0, 0, 0, 0, 0, 0, 0}},
      {"a number that never ends", {uint8_t(PeerKind::Hash), 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"an input delay past its bound", {uint8_t(PeerKind::Start), 0, 0, 0, 0, MaxInputDelay + 1, 0}},
  };
  for (const Bad& row : bad) EXPECT_FALSE(ReadPeerMessage(row.bytes)) << row.what;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> bytes(1 << 16);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  bytes.resize(file ? std::fread(bytes.data(), 1, bytes.size(), file) : 0);
  if (file) std::fclose(file);
  return bytes;
}

// The same game written twice, once pushed to the file after every turn:
// what the pushes leave is readable up to the last turn, and the finished
// files are the same.
std::vector<uint8_t> WriteGame(const std::string& path, bool push_every_turn, int64_t& turns_seen_while_open) {
  std::string error;
  EXPECT_TRUE(OpenVersusReplay(path, "test 1", 77, error)) << error;
  const TurnInput active = Events({PointAtViewCentre});
  std::vector<std::array<TurnInput, SeatCount>> turns(5);
  turns.push_back({active, TurnInput{}});
  turns.push_back({active, TurnInput{}});
  turns.resize(turns.size() + 300);
  for (size_t i = 0; i < turns.size(); ++i) {
    if (i == 6) WriteVersusTakeOver(FriendSeat);
    WriteVersusTurn(turns[i]);
    if (push_every_turn) FlushVersusReplay();
  }
  VersusReplay open;
  turns_seen_while_open = ParseVersusReplay(FileBytes(path), "open", open, error) ? open.turns : -1;
  CloseVersusReplay();
  const std::vector<uint8_t> bytes = FileBytes(path);
  std::filesystem::remove(path);
  return bytes;
}

// A replay reads back as it was written, whatever the pushes on the way,
// and a file cut anywhere reads up to its cut.
TEST(VersusBytes, ReplayReadsBackAndSurvivesAnyCut) {
  const std::string path = (std::filesystem::temp_directory_path() / "versus_bytes_test.vrp").string();
  int64_t pushed_turns = 0, unpushed_turns = 0;
  std::vector<uint8_t> bytes = WriteGame(path, true, pushed_turns);
  EXPECT_EQ(pushed_turns, 307) << "a game killed now would lose the quiet turns it has played";
  EXPECT_EQ(WriteGame(path, false, unpushed_turns), bytes);

  VersusReplay replay;
  std::string error;
  ASSERT_TRUE(ParseVersusReplay(bytes, "whole", replay, error)) << error;
  EXPECT_TRUE(replay.complete);
  EXPECT_EQ(replay.seed, 77u);
  EXPECT_EQ(replay.turns, 307);
  ASSERT_EQ(replay.records.size(), 5u) << "quiet turns are kept as runs";
  EXPECT_EQ(replay.records[0].quiet_turns, 5);
  EXPECT_EQ(replay.records[1].inputs[HostSeat], Events({PointAtViewCentre}));
  EXPECT_EQ(replay.records[2].kind, VersusRecord::Kind::TakeOver);
  int64_t last_turns = 0;
  for (size_t cut = sizeof VersusReplayMagic + 2 + 6 + 4; cut < bytes.size(); ++cut) {
    ASSERT_TRUE(ParseVersusReplay(std::span(bytes).first(cut), "cut", replay, error)) << cut << ": " << error;
    EXPECT_FALSE(replay.complete);
    EXPECT_GE(replay.turns, last_turns);
    last_turns = replay.turns;
  }
  struct Damage {
    const char* what;
    std::vector<uint8_t> tail;  // in place of the end mark
  };
  const Damage damages[] = {
      {"an unknown record", {0x7F}},
      {"bytes after the end mark", {VersusEndCode, VersusEndCode}},
      {"a run of more turns than any game", {VersusQuietTurnsCode, 0x81, 0x80, 0x80, 0x08, VersusEndCode}},
  };
  for (const Damage& damage : damages) {
    std::vector<uint8_t> damaged(bytes.begin(), bytes.end() - 1);
    damaged.insert(damaged.end(), damage.tail.begin(), damage.tail.end());
    EXPECT_FALSE(ParseVersusReplay(damaged, "damaged", replay, error)) << damage.what;
    EXPECT_NE(error.find("damaged: byte"), std::string::npos) << error;
  }
  EXPECT_FALSE(OpenVersusReplay("/dev/full", "test 1", 77, error)) << "a file that takes nothing, taken";
}

}  // namespace
