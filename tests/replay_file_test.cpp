#include "replay/replay_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "base/version.h"
#include "host/input.h"
#include "loop/continuation.h"
#include "loop/game_state.h"
#include "loop/main_loop.h"
#include "loop/startup.h"
#include "platform/command_line.h"
#include "platform/screen.h"
#include "replay/playback.h"
#include "replay/recording.h"
#include "replay/replay_folder.h"
#include "replay/state_dump.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

const std::string TestVersion = "0.12.0";
constexpr int PassesIn30Minutes = 30 * 60 * 60;

ReplayRecord Event(EventKind kind, int a = 0, int b = 0) { return {.kind = RecordKind::Event, .event = {kind, a, b}}; }
ReplayRecord Answer(int query, int key, int answer) {
  return {.kind = RecordKind::KeyAnswer, .query = query, .key = key, .answer = answer};
}
ReplayRecord Clock(uint32_t seconds) { return {.kind = RecordKind::Clock, .clock = seconds}; }
ReplayRecord Passes(int64_t count) { return {.passes = count}; }

// Every record kind and every event kind, fields at their edges, pointer
// moves both ways, and idle runs longer than a flush and a run byte. Read
// back, each Passes(n) is one record; the writer gets n single pass ends.
const std::vector<ReplayRecord> EveryKind = {
    Clock(1700000000),
    Event(EventKind::Activate, 1),
    Event(EventKind::Size, 640, 480),
    Passes(3),
    Event(EventKind::PointerMove, 320, 240),
    Event(EventKind::PointerMove, 318, 241),
    Event(EventKind::PointerMove, 0, 0),
    Event(EventKind::PointerMove, 65535, 65535),
    Passes(1),
    Event(EventKind::KeyDown, 255),
    Answer(0, 0, 0),
    Answer(MaxKeyQuery, 37, 1),
    Clock(0xFFFFFFFF),
    Passes(200),
    Event(EventKind::KeyUp, 0),
    Event(EventKind::ButtonDown, ButtonLeft),
    Event(EventKind::ButtonUp, ButtonRight),
    Event(EventKind::ButtonDown, ButtonMiddle),
    Event(EventKind::Activate, 0),
    Event(EventKind::Size, 0, 65535),
    Passes(MaxPassRun + 1),
    Event(EventKind::Close),
    Passes(1),
    Event(EventKind::Quit),
};

int64_t PassCount(const std::vector<ReplayRecord>& records) {
  int64_t passes = 0;
  for (const ReplayRecord& r : records)
    if (r.kind == RecordKind::PassEnd) passes += r.passes;
  return passes;
}

// Pass ends one at a time, as the game hands them over, unless `whole_runs`.
void WriteStream(const std::vector<ReplayRecord>& stream, bool whole_runs = false) {
  for (const ReplayRecord& r : stream)
    if (r.kind == RecordKind::PassEnd && !whole_runs)
      for (int64_t i = 0; i < r.passes; ++i) WriteReplayRecord(Passes(1));
    else
      WriteReplayRecord(r);
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ReplayFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/valdorik-replay-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    CloseReplayFile();
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // Records `stream` into a new file and returns its bytes.
  Bytes Record(const std::string& name, const std::vector<ReplayRecord>& stream, bool whole_runs = false) {
    std::string error;
    EXPECT_TRUE(OpenReplayFile(Path(name), TestVersion, error)) << error;
    WriteStream(stream, whole_runs);
    CloseReplayFile();
    EXPECT_FALSE(ReplayFileFailed()) << ReplayFileFailure();
    return FileBytes(Path(name));
  }

  std::string dir_;
};

TEST_F(ReplayFileTest, EveryRecordKindComesBackInOrder) {
  // Whole runs of 200 and 129 passes do not fit one run byte.
  for (const bool whole_runs : {false, true}) {
    Record("every.replay", EveryKind, whole_runs);
    Replay replay;
    std::string error;
    ASSERT_TRUE(ReadReplayFile(Path("every.replay"), replay, error)) << error;
    EXPECT_EQ(replay.game_version, TestVersion);
    EXPECT_TRUE(replay.complete);
    EXPECT_EQ(replay.cut_note, "");
    EXPECT_EQ(replay.passes, 3 + 1 + 200 + MaxPassRun + 1 + 1);
    EXPECT_EQ(replay.records, EveryKind) << (whole_runs ? "whole runs" : "one pass at a time");
  }
}

TEST_F(ReplayFileTest, IdlePassesAndSmallMovesCostLittle) {
  std::vector<ReplayRecord> idle, moving;
  for (int pass = 0; pass < PassesIn30Minutes; ++pass) {
    // A one-pixel wiggle every pass: the busiest pointer a pass can carry in one event.
    moving.push_back(Event(EventKind::PointerMove, 100 + pass % 2, 200 - pass % 2));
    moving.push_back(Passes(1));
  }
  idle.push_back(Passes(PassesIn30Minutes));
  const size_t idle_size = Record("idle.replay", idle).size();
  const size_t moving_size = Record("moving.replay", moving).size();
  // One run byte per second's flush (64 passes): 1688 bytes, plus a 16-byte header and the end mark.
  EXPECT_LT(idle_size, 2000u);
  // A move is its code and two one-byte deltas, and it splits the idle run: 4 bytes a pass.
  EXPECT_LE(moving_size - idle_size, 4u * PassesIn30Minutes);
  EXPECT_LT(moving_size, 1u << 20);
  Replay replay;
  std::string error;
  ASSERT_TRUE(ReadReplayFile(Path("moving.replay"), replay, error)) << error;
  EXPECT_EQ(replay.records, moving);
}

TEST_F(ReplayFileTest, EveryPrefixIsACutFileOrACutHeader) {
  const Bytes full = Record("every.replay", EveryKind);
  const size_t header_size = Record("empty.replay", {}).size() - 1;
  Replay previous;
  for (size_t size = 0; size <= full.size(); ++size) {
    SCOPED_TRACE("prefix of " + std::to_string(size) + " bytes");
    Replay cut;
    std::string error;
    const bool parsed = ParseReplay(full.data(), size, "cut.replay", cut, error);
    if (size < header_size) {
      EXPECT_FALSE(parsed);
      EXPECT_EQ(error, size == 0 ? "cut.replay: not a replay file"
                                 : "cut.replay: cut short inside its header (after " + std::to_string(size) +
                                       (size == 1 ? " byte)" : " bytes)"));
      continue;
    }
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(cut.complete, size == full.size());
    EXPECT_EQ(cut.passes, PassCount(cut.records));
    EXPECT_GE(cut.passes, previous.passes);
    EXPECT_LE(cut.passes, PassCount(EveryKind));
    // Whole passes only: a prefix of the recorded records, the last one an
    // idle run no longer than the recorded one.
    ASSERT_LE(cut.records.size(), EveryKind.size());
    for (size_t i = 0; i < cut.records.size(); ++i) {
      const bool last = i + 1 == cut.records.size();
      if (!last || cut.complete) {
        EXPECT_EQ(cut.records[i], EveryKind[i]) << "record " << i;
      } else {
        EXPECT_EQ(cut.records[i].kind, RecordKind::PassEnd);
        EXPECT_EQ(EveryKind[i].kind, RecordKind::PassEnd);
        EXPECT_LE(cut.records[i].passes, EveryKind[i].passes);
      }
    }
    if (!cut.complete) {
      EXPECT_EQ(cut.cut_note.rfind("cut.replay: ends at pass " + std::to_string(cut.passes) + " (byte ", 0), 0u)
          << cut.cut_note;
    }
    previous = cut;
  }
}

TEST_F(ReplayFileTest, AnUnclosedFileReplaysUpToItsLastFlush) {
  std::string error;
  ASSERT_TRUE(OpenReplayFile(Path("killed.replay"), TestVersion, error)) << error;
  std::vector<ReplayRecord> stream = {Clock(7)};
  for (int pass = 0; pass < 1000; ++pass) {
    if (pass % 10 == 0) stream.push_back(Event(EventKind::KeyDown, pass % 256));
    stream.push_back(Passes(1));
  }
  WriteStream(stream);
  // What a killed game leaves: nothing more reaches the file.
  Replay replay;
  ASSERT_TRUE(ReadReplayFile(Path("killed.replay"), replay, error)) << error;
  EXPECT_FALSE(replay.complete);
  EXPECT_GT(replay.passes, 1000 - FlushEveryPasses);
  EXPECT_LE(replay.passes, 1000);
  EXPECT_NE(replay.cut_note.find("without its end mark"), std::string::npos) << replay.cut_note;
}

// A page pushes its recording out whenever its tab may go: after any record,
// with the pass under way counted or not. Each push reads back with every
// pass so far, and the finished file is the one written without pushes.
TEST_F(ReplayFileTest, PushesAtAnyRecordLeaveTheSameFile) {
  const Bytes plain = Record("plain.replay", EveryKind);
  std::string error;
  ASSERT_TRUE(OpenReplayFile(Path("pushed.replay"), TestVersion, error)) << error;
  int64_t written = 0;
  for (const ReplayRecord& r : EveryKind) {
    for (int64_t i = 0; i < std::max<int64_t>(1, r.passes); ++i) {
      WriteReplayRecord(r.kind == RecordKind::PassEnd ? Passes(1) : r);
      if (r.kind == RecordKind::PassEnd) ++written;
      const int64_t open_pass = written % 2;
      FlushReplayFile(open_pass);
      Replay pushed;
      ASSERT_TRUE(ReadReplayFile(Path("pushed.replay"), pushed, error)) << error;
      ASSERT_EQ(pushed.passes, written + open_pass);
    }
  }
  CloseReplayFile();
  EXPECT_EQ(FileBytes(Path("pushed.replay")), plain);
}

// A header as the writer makes it, then `tail`.
Bytes Header(const Bytes& tail) {
  Bytes bytes(std::begin(ReplayMagic), std::end(ReplayMagic));
  bytes.push_back(ReplayFormatVersion);
  bytes.push_back(static_cast<uint8_t>(TestVersion.size()));
  bytes.insert(bytes.end(), TestVersion.begin(), TestVersion.end());
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

uint8_t Code(EventKind kind) { return static_cast<uint8_t>(kind); }

TEST_F(ReplayFileTest, DamagedFilesAreRefusedWithTheirPlace) {
  const Bytes magic(std::begin(ReplayMagic), std::end(ReplayMagic));
  auto with_magic = [&](Bytes tail) {
    tail.insert(tail.begin(), magic.begin(), magic.end());
    return tail;
  };
  const Bytes header = Header({});
  const std::string first = "byte " + std::to_string(header.size()) + ": ";
  const struct {
    Bytes bytes;
    std::string message;
  } cases[] = {
      {{'B', 'M', 6, 0, 0, 0, 0, 0, 0, 0}, "not a replay file"},
      {with_magic({7, 1, 'x'}), "format version 7; this game reads versions 1 to 2"},
      {with_magic({1, 200}), "byte 9: game version of 200 bytes (at most 32)"},
      {with_magic({1, 3, 'a', 0x01, 'b'}), "byte 10: game version is not printable text"},
      {Bytes(header.begin(), header.begin() + 12), "cut short inside its header (after 12 bytes)"},
      {Header({0x3f}), first + "unknown record 0x3f"},
      {Header({Code(EventKind::KeyDown), 0xAC, 0x02}), first + "key code 300 out of range (0..255)"},
      {Header({Code(EventKind::KeyUp), 0x80, 0x80, 0x80, 0x80, 0x01}), first + "number longer than 4 bytes"},
      {Header({Code(EventKind::ButtonDown), 7}), first + "button 7 out of range (0..2)"},
      {Header({Code(EventKind::Activate), 2}), first + "activate flag 2 out of range (0..1)"},
      {Header({Code(EventKind::PointerMove), 1, 0}), first + "pointer x -1 out of range (0..65535)"},
      {Header({Code(EventKind::PointerMove), 0, 0x80, 0x80, 0x08}), first + "pointer y 65536 out of range (0..65535)"},
      {Header({Code(EventKind::Size), 0x80, 0x80, 0x04, 0}), first + "width 65536 out of range (0..65535)"},
      {Header({ReplayKeyAnswerCode, 0x88, 0x27, 0, 0}), first + "query 5000 out of range (0..4095)"},
      {Header({ReplayKeyAnswerCode, 0, 0, 2}), first + "answer 2 out of range (0..1)"},
      {Header({ReplayKeySampleCode, 0x10, 2}), first + "answer 2 out of range (0..1)"},
      {with_magic({1, 0, ReplayKeySampleCode, 0x10, 1}), "byte 10: unknown record 0x0c"},  // no samples in format 1
      {Header({ReplayPassRunCode, ReplayEndCode, ReplayPassRunCode}), "byte 18: 1 byte after the end mark"},
  };
  for (const auto& c : cases) {
    Replay replay;
    std::string error;
    EXPECT_FALSE(ParseReplay(c.bytes.data(), c.bytes.size(), "bad.replay", replay, error)) << c.message;
    EXPECT_EQ(error, "bad.replay: " + c.message);
  }
}

TEST_F(ReplayFileTest, WriteFailuresAreReportedAndLeaveReadableFiles) {
  std::string error;
  EXPECT_FALSE(OpenReplayFile(Path("missing/game.replay"), TestVersion, error));
  EXPECT_EQ(error, Path("missing/game.replay") + ": cannot create the replay file: No such file or directory");
  EXPECT_FALSE(OpenReplayFile("/dev/full", TestVersion, error));
  EXPECT_EQ(error, "/dev/full: cannot write: No space left on device");
  EXPECT_FALSE(OpenReplayFile(Path("long.replay"), std::string(MaxGameVersionLength + 1, '1'), error));
  EXPECT_NE(error.find("game version"), std::string::npos) << error;

  // A record the reader would refuse stops the recording; what came before stays.
  ASSERT_TRUE(OpenReplayFile(Path("refused.replay"), TestVersion, error)) << error;
  EXPECT_FALSE(OpenReplayFile(Path("second.replay"), TestVersion, error));
  EXPECT_NE(error.find("still open"), std::string::npos) << error;
  WriteStream({Clock(5), Passes(FlushEveryPasses), Event(EventKind::KeyDown, 300), Passes(1)});
  CloseReplayFile();
  EXPECT_TRUE(ReplayFileFailed());
  EXPECT_EQ(ReplayFileFailure(), Path("refused.replay") + ": record refused: key code 300 out of range (0..255)");
  Replay replay;
  ASSERT_TRUE(ReadReplayFile(Path("refused.replay"), replay, error)) << error;
  EXPECT_EQ(replay.records, (std::vector<ReplayRecord>{Clock(5), Passes(FlushEveryPasses)}));
  EXPECT_FALSE(replay.complete);

  // The disk fills up during the game (a file size limit stands in for it).
  constexpr rlim_t Limit = 1000;
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = Limit;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ASSERT_TRUE(OpenReplayFile(Path("full.replay"), TestVersion, error)) << error;
  for (int pass = 0; pass < 2000; ++pass) WriteStream({Event(EventKind::PointerMove, pass, pass), Passes(1)});
  CloseReplayFile();
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_TRUE(ReplayFileFailed());
  EXPECT_EQ(ReplayFileFailure(), Path("full.replay") + ": cannot write: File too large");
  ASSERT_TRUE(ReadReplayFile(Path("full.replay"), replay, error)) << error;
  EXPECT_EQ(FileBytes(Path("full.replay")).size(), Limit);
  EXPECT_FALSE(replay.complete);
  EXPECT_GT(replay.passes, 0);
}

TEST_F(ReplayFileTest, UnreadableFilesSayWhy) {
  Replay replay;
  std::string error;
  EXPECT_FALSE(ReadReplayFile(Path("none.replay"), replay, error));
  EXPECT_EQ(error, Path("none.replay") + ": cannot open: No such file or directory");
  EXPECT_FALSE(ReadReplayFile(dir_, replay, error));
  EXPECT_EQ(error, dir_ + ": cannot read: Is a directory");
}

// --- A whole game recorded through the main loop and played back. ---

struct TimedEvent {
  int64_t pass;  // handed over before this idle pass
  HostEvent event;
};

// A game with something of everything: pointer and buttons on units and
// cells, the loop's keys, H, F1 new games on a clock that moves, speed
// keys, activation, a resize, an instant Shift answer that is not the key
// table's, and pauses: one with keys pressed and held through it and the
// Pause key's auto-repeat, and one from pass 2900 to the end, with keys and
// a button held when Escape comes.
const TimedEvent Played[] = {
    {5, {EventKind::PointerMove, 336, 450}},  {5, {EventKind::ButtonDown, ButtonLeft}},
    {60, {EventKind::ButtonUp, ButtonLeft}},  {70, {EventKind::PointerMove, 400, 306}},
    {70, {EventKind::ButtonDown, ButtonRight}}, {75, {EventKind::ButtonUp, ButtonRight}},
    {95, {EventKind::KeyDown, KeyRight}},     {99, {EventKind::KeyUp, KeyRight}},
    {110, {EventKind::KeyDown, KeyShift}},    {110, {EventKind::KeyDown, KeyUp}},
    {118, {EventKind::KeyUp, KeyUp}},         {118, {EventKind::KeyUp, KeyShift}},
    {130, {EventKind::KeyDown, KeyPageUp}},   {140, {EventKind::KeyUp, KeyPageUp}},
    {150, {EventKind::KeyDown, KeySpace}},    {150, {EventKind::PointerMove, 100, 100}},
    {160, {EventKind::KeyUp, KeySpace}},      {200, {EventKind::KeyDown, KeyH}},
    {201, {EventKind::KeyUp, KeyH}},          {300, {EventKind::KeyDown, KeyF7}},
    {301, {EventKind::KeyUp, KeyF7}},         {400, {EventKind::Activate, 0}},
    {420, {EventKind::KeyDown, KeyDown}},     {425, {EventKind::KeyUp, KeyDown}},
    {430, {EventKind::Activate, 1}},          {431, {EventKind::Size, 800, 600}},
    {600, {EventKind::KeyDown, KeyP}},        {601, {EventKind::KeyUp, KeyP}},
    {610, {EventKind::KeyDown, KeyPageDown}}, {615, {EventKind::KeyUp, KeyPageDown}},
    {620, {EventKind::KeyDown, KeyPageUp}},   {640, {EventKind::KeyDown, KeyPause}},
    {641, {EventKind::KeyDown, KeyPause}},    {642, {EventKind::KeyUp, KeyPause}},
    {645, {EventKind::KeyUp, KeyPageUp}},
    {900, {EventKind::KeyDown, KeyF1}},       {902, {EventKind::KeyUp, KeyF1}},
    {1500, {EventKind::KeyDown, KeyBackspace}}, {1530, {EventKind::KeyUp, KeyBackspace}},
    {2500, {EventKind::KeyDown, KeyF1}},      {2501, {EventKind::KeyUp, KeyF1}},
    {2714, {EventKind::KeyDown, KeyRight}},   {2718, {EventKind::KeyUp, KeyRight}},  // over pass 2716
    {2900, {EventKind::KeyDown, KeyP}},       {2990, {EventKind::KeyDown, KeyPageDown}},
    {2995, {EventKind::ButtonDown, ButtonLeft}}, {3000, {EventKind::KeyDown, KeyEscape}},
};

// The same game continued: unpaused, a move order, a zoom, then Escape.
const TimedEvent PlayedOn[] = {
    {3000, {EventKind::KeyDown, KeyPause}},   {3000, {EventKind::KeyUp, KeyPause}},
    {3000, {EventKind::PointerMove, 330, 250}}, {3000, {EventKind::ButtonDown, ButtonRight}},
    {3010, {EventKind::ButtonUp, ButtonRight}}, {3050, {EventKind::KeyDown, KeyPageUp}},
    {3060, {EventKind::KeyUp, KeyPageUp}},    {3200, {EventKind::KeyDown, KeyEscape}},
};

std::span<const TimedEvent> Playing;
size_t NextPlayed = 0;
uint32_t ClockReads = 0;

bool PlayedEvent(HostEvent& event) {
  if (NextPlayed == Playing.size() || Playing[NextPlayed].pass > IdlePasses + 1) return false;
  event = Playing[NextPlayed++].event;
  return true;
}

// Shift held on the instant, unknown to the key table, on every 97th pass:
// an arrow held then turns the camera instead of scrolling.
void PlayedKeySample(KeyTable& held) {
  if (IdlePasses % 97 == 0) held[KeyShift] = 1;
}
uint32_t MovingClock() { return 1700000000u + 7919u * ClockReads++; }

std::string FinalDump() {
  std::string dump;
  AppendStateDump(IdlePasses, dump);
  return dump;
}

// The host the recorded games are played on: `events`, the instant Shift
// answers and the moving clock.
void PlayOn(std::span<const TimedEvent> events) {
  Playing = events;
  NextPlayed = 0;
  Host = HeadlessHost(0);
  Host.poll_event = PlayedEvent;
  Host.sample_keys = PlayedKeySample;
  Host.key_held_now = SampledKeyHeld;
  Host.clock_seconds = MovingClock;
}

// Plays `replay` headless from start-up to its end; returns the final dump.
std::string PlayedBack(const Replay& replay, const std::string& name) {
  ResetForNewRun();
  StartPlayback(replay, name, HeadlessHost(1));  // a clock that would deal another table
  StartGame();
  MainLoop();
  EXPECT_EQ(PlaybackProblem(), "");
  const std::string dump = FinalDump();
  ReleaseGame();
  UseHeadlessHost(0);
  return dump;
}

TEST_F(ReplayFileTest, ARecordedGamePlaysBackToTheSameState) {
  ResetForNewRun();
  ClockReads = 0;
  PlayOn(Played);
  std::string error;
  ASSERT_TRUE(StartRecording(Path("game.vrp"), error)) << error;
  StartGame();
  MainLoop();
  StopRecording();
  const std::string played = FinalDump();
  ReleaseGame();
  ASSERT_EQ(ClockReads, 4u) << "start-up, and a new game for each frame F1 was held: two, then one";
  EXPECT_NE(played.find("\"paused\":1"), std::string::npos) << "Escape ends the game while paused";

  Replay replay;
  ASSERT_TRUE(ReadReplayFile(Path("game.vrp"), replay, error)) << error;
  EXPECT_TRUE(replay.complete);
  EXPECT_EQ(replay.passes, 3000);
  EXPECT_EQ(replay.game_version, std::string(GameVersion()));
  EXPECT_EQ(PlayedBack(replay, "game.vrp"), played);
}

// The Played game continued: its past played without a window up to the
// pass that saw Escape, what was held let go, then more play. The new file
// replays the whole game to the continued game's end.
TEST_F(ReplayFileTest, AContinuedGameReplaysAsOneGame) {
  ResetForNewRun();
  PlayOn(Played);
  std::string error;
  ASSERT_TRUE(StartRecording(Path("first.vrp"), error)) << error;
  StartGame();
  MainLoop();
  StopRecording();
  std::string before_escape = FinalDump();
  ReleaseGame();
  // Paused from pass 2900, the game stood still: the state before its last
  // pass is its end but for the pass.
  ASSERT_EQ(before_escape.rfind("{\"pass\":3000,", 0), 0u);
  before_escape.replace(0, 13, "{\"pass\":2999,");

  Replay first;
  ASSERT_TRUE(ReadReplayFile(Path("first.vrp"), first, error)) << error;
  ResetForNewRun();
  const Replay past = ReplayBeforeItsEnd(first);
  std::string problem;
  ASSERT_TRUE(PlayRecordedPast(past, "first.vrp", problem)) << problem;
  EXPECT_EQ(FinalDump(), before_escape);
  const std::vector<ReplayRecord> released = ReleaseHeldInput();
  EXPECT_EQ(released, (std::vector<ReplayRecord>{Event(EventKind::KeyUp, KeyEscape), Event(EventKind::KeyUp, KeyPageDown),
                                                 Event(EventKind::KeyUp, KeyP), Event(EventKind::ButtonUp, ButtonLeft)}));
  EXPECT_EQ(std::count(KeyState.begin(), KeyState.end(), 1), 0);
  EXPECT_EQ(MouseState.left, 0);
  EXPECT_EQ(Paused, 1) << "letting go of P does not unpause";

  std::vector<ReplayRecord> opening = past.records;
  opening.insert(opening.end(), released.begin(), released.end());
  PlayOn(PlayedOn);
  ASSERT_TRUE(StartRecording(Path("continued.vrp"), error, opening)) << error;
  MainLoop();
  StopRecording();
  const std::string continued = FinalDump();
  ReleaseGame();
  EXPECT_EQ(continued.rfind("{\"pass\":3200,", 0), 0u) << continued.substr(0, 40);
  EXPECT_NE(continued.find("\"paused\":0"), std::string::npos);

  Replay whole;
  ASSERT_TRUE(ReadReplayFile(Path("continued.vrp"), whole, error)) << error;
  EXPECT_EQ(whole.passes, 3200);
  EXPECT_EQ(PlayedBack(whole, "continued.vrp"), continued);
}

// Only the pass that ended the game goes: the idle pass that saw Escape with
// what it took, the last of a run, or the Quit taken; a cut file keeps all.
TEST(ContinuedReplay, DropsOnlyThePassThatEndedTheGame) {
  const EventKind Down = EventKind::KeyDown;
  const struct {
    std::vector<ReplayRecord> records;
    bool complete;
    std::vector<ReplayRecord> kept;
  } cases[] = {
      {{Clock(1), Passes(5), Event(Down, KeyEscape), Answer(0, KeyShift, 1), Clock(2), Passes(1)},
       true,
       {Clock(1), Passes(5), Event(Down, KeyEscape)}},
      {{Clock(1), Event(EventKind::Activate, 0), Passes(5)}, true, {Clock(1), Event(EventKind::Activate, 0), Passes(4)}},
      {{Clock(1), Passes(3), Event(EventKind::Close), Event(EventKind::Quit)},
       true,
       {Clock(1), Passes(3), Event(EventKind::Close)}},
      {{Clock(1), Answer(3, KeyShift, 1), Passes(1)}, true, {Clock(1)}},  // start-up's clock stays
      {{Clock(1), Passes(3)}, false, {Clock(1), Passes(3)}},
      {{}, true, {}},
  };
  for (const auto& c : cases) {
    Replay replay;
    replay.records = c.records;
    replay.passes = PassCount(c.records);
    replay.complete = c.complete;
    const Replay before = ReplayBeforeItsEnd(replay);
    EXPECT_EQ(before.records, c.kept) << "case with " << c.records.size() << " records";
    EXPECT_EQ(before.passes, PassCount(c.kept));
  }
}

void CountedPresent() {}
void LaterKeySample(KeyTable&) {}

// The recorder and the player are made whole from the host they wrap, and
// the recorder lets go of its own slots only: what changed in the host
// while it recorded stays changed.
TEST_F(ReplayFileTest, WrappingHostsAreWholeAndUnwrapOnlyTheirOwnSlots) {
  EXPECT_EQ(EmptySlots(HeadlessHost(0)), 0);
  UseHeadlessHost(0);
  const GameHost inner = Host;
  std::string error;
  ASSERT_TRUE(StartRecording(Path("wrapped.vrp"), error)) << error;
  EXPECT_EQ(EmptySlots(Host), 0);
  EXPECT_NE(Host.poll_event, inner.poll_event) << "the recorder hears the events first";
  Host.present_scaled_frame = CountedPresent;
  Host.sample_keys = LaterKeySample;
  StopRecording();
  EXPECT_EQ(Host.poll_event, inner.poll_event);
  EXPECT_EQ(Host.clock_seconds, inner.clock_seconds);
  EXPECT_EQ(Host.present_scaled_frame, CountedPresent) << "a change made while recording was undone";
  EXPECT_EQ(Host.sample_keys, LaterKeySample) << "a change made while recording was undone";

  const Replay nothing_recorded;
  StartPlayback(nothing_recorded, "empty.vrp", HeadlessHost(0));
  EXPECT_EQ(EmptySlots(Host), 0);
  UseHeadlessHost(0);
}

TEST(GameOptions, ReadsTheCommandLineAndRefusesWhatItDoesNotKnow) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> refused = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--replay"}, "--replay needs a file name"},
      {{"--record", ""}, "--record needs a file name"},
      {{"--dump-final", "a", "--dump-final", "b"}, "--dump-final given more than once"},
      {{"--replay", "a", "--record", "b"}, "--replay records nothing: --record cannot go with it"},
      {{"game.vrp"}, "unknown option 'game.vrp'"},
      {{"--continue", "--continue"}, "--continue given more than once"},
      {{"--replay", "a", "--continue"}, "--replay watches a game, --continue plays one on: they cannot go together"},
      {{"--continue", "a", "b"}, "unknown option 'b'"},
      {{"--scale"}, "--scale needs a whole number from 1 to 8"},
      {{"--scale", "9"}, "--scale needs a whole number from 1 to 8"},
      {{"--scale", "0"}, "--scale needs a whole number from 1 to 8"},
      {{"--scale", "2x"}, "--scale needs a whole number from 1 to 8"},
      {{"--scale", "2", "--scale", "3"}, "--scale given more than once"},
  };
  for (const auto& [words, message] : refused) {
    std::vector<char*> argv = {const_cast<char*>("valdorik")};
    for (const char* w : words) argv.push_back(const_cast<char*>(w));
    GameOptions options;
    std::string error;
    EXPECT_FALSE(ParseGameOptions(static_cast<int>(argv.size()), argv.data(), "", options, error)) << message;
    EXPECT_EQ(error, message);
  }
  const char* words[] = {"valdorik", "--replay", "old.vrp", "--dump-final", "/tmp/end.json", "--version"};
  GameOptions options;
  std::string error;
  ASSERT_TRUE(ParseGameOptions(6, const_cast<char**>(words), "/home/player", options, error)) << error;
  EXPECT_EQ(options.replay, "/home/player/old.vrp") << "relative to where the player started the game";
  EXPECT_EQ(options.dump_final, "/tmp/end.json");
  EXPECT_TRUE(options.version);
  EXPECT_FALSE(options.help);
  EXPECT_FALSE(options.continue_game);
  // --continue takes a file only when one follows it.
  const char* newest[] = {"valdorik", "--continue", "--dump-final", "end.json"};
  ASSERT_TRUE(ParseGameOptions(4, const_cast<char**>(newest), "/home/player", options, error)) << error;
  EXPECT_TRUE(options.continue_game);
  EXPECT_EQ(options.continued, "");
  EXPECT_EQ(options.dump_final, "/home/player/end.json");
  const char* named[] = {"valdorik", "--continue", "old.vrp", "--record", "new.vrp"};
  ASSERT_TRUE(ParseGameOptions(5, const_cast<char**>(named), "/home/player", options, error)) << error;
  EXPECT_EQ(options.continued, "/home/player/old.vrp");
  EXPECT_EQ(options.record, "/home/player/new.vrp");
  EXPECT_EQ(options.scale, 0) << "no scale given";
  EXPECT_FALSE(options.fullscreen);
  const char* screen_words[] = {"valdorik", "--fullscreen", "--scale", "8"};
  ASSERT_TRUE(ParseGameOptions(4, const_cast<char**>(screen_words), "", options, error)) << error;
  EXPECT_EQ(options.scale, 8);
  EXPECT_TRUE(options.fullscreen);
}

// The frame at any size: the window's default scale, the stage the frame
// fills, and the window pixels the pointer maps back to frame pixels.
TEST(Screen, ScalesStagesAndThePointerOnIt) {
  const struct { int width, height, scale; } fits[] = {
      {1920, 1080, 2}, {1920, 1050, 2}, {1024, 768, 1}, {640, 480, 1}, {639, 479, 1},
      {1920, 1440, 3}, {3840, 2160, 4}, {1280, 959, 1}, {7680, 4320, 8}};
  for (const auto& f : fits) EXPECT_EQ(LargestScaleFitting(f.width, f.height), f.scale) << f.width << " x " << f.height;
  // The scale a window opens at: the one chosen (0: none) cut down to what
  // fits the display's usable area; a screen smaller than the frame keeps 1,
  // one of unknown size (0 x 0) the choice.
  const struct { int chosen, width, height, scale; } opening[] = {
      {0, 1920, 1080, 2}, {2, 1024, 768, 1}, {3, 1920, 1080, 2}, {1, 3840, 2160, 1}, {8, 7680, 4320, 8},
      {2, 1280, 959, 1},  {0, 800, 600, 1},  {2, 600, 400, 1},   {0, 320, 200, 1},  {3, 0, 0, 3},
      {0, 0, 0, 1}};
  for (const auto& o : opening)
    EXPECT_EQ(ScaleOnDisplay(o.chosen, o.width, o.height), o.scale) << o.chosen << " on " << o.width << " x " << o.height;
  // A display of another scaling: the nearest whole multiple to the width
  // Windows suggests (1280 at 200 % from 640, 800 at 125 %, 960 at 150 %),
  // no larger than fits there.
  const struct { int width, fitting, scale; } nearest[] = {
      {1280, 4, 2}, {800, 4, 1}, {960, 4, 2}, {2560, 2, 2}, {100, 4, 1}, {1919, 8, 3}, {99999, 8, 8}, {1280, 0, 1}};
  for (const auto& n : nearest) EXPECT_EQ(ScaleNearest(n.width, n.fitting), n.scale) << n.width << " fitting " << n.fitting;

  const struct { int width, height, x, y, stage_width, stage_height; } stages[] = {
      {1920, 1080, 240, 0, 1440, 1080}, {1280, 960, 0, 0, 1280, 960}, {640, 600, 0, 60, 640, 480},
      {1280, 800, 107, 0, 1066, 800},   {641, 480, 0, 0, 640, 480}};
  for (const auto& s : stages) {
    const Stage stage = StageIn(s.width, s.height);
    EXPECT_EQ((std::vector<int>{stage.x, stage.y, stage.width, stage.height}),
              (std::vector<int>{s.x, s.y, s.stage_width, s.stage_height}))
        << s.width << " x " << s.height;
  }

  // Client pixel -> frame pixel; -1 for a pixel off the frame (a bar, or
  // outside). At 2.25 frame pixel 4 spans stage pixels 9 to 11.25 and 5 the
  // rest up to 13.5: a pixel belongs to the one its centre falls in.
  const struct { int client_width, client_height, x, y, frame_x, frame_y; } pointer[] = {
      {640, 480, 0, 0, 0, 0},         {640, 480, 639, 479, 639, 479}, {640, 480, 640, 0, -1, -1},
      {1280, 960, 1, 1, 0, 0},        {1280, 960, 2, 3, 1, 1},        {1280, 960, 1279, 959, 639, 479},
      {1280, 960, 1280, 5, -1, -1},   {1280, 960, -1, 5, -1, -1},     {1920, 1080, 239, 500, -1, -1},
      {1920, 1080, 240, 0, 0, 0},     {1920, 1080, 1679, 1079, 639, 479}, {1920, 1080, 1680, 0, -1, -1},
      {1920, 1080, 249, 9, 4, 4},     {1920, 1080, 250, 10, 4, 4},    {1920, 1080, 251, 11, 5, 5},
      {1920, 1080, 252, 12, 5, 5}};
  for (const auto& p : pointer) {
    SetClientArea(p.client_width, p.client_height);
    int x = -1, y = -1;
    const bool on_frame = FramePixelAt(p.x, p.y, x, y);
    EXPECT_EQ(on_frame, p.frame_x >= 0) << p.x << ", " << p.y << " on " << p.client_width << " x " << p.client_height;
    if (on_frame) {
      EXPECT_EQ((std::pair{x, y}), (std::pair{p.frame_x, p.frame_y})) << p.x << ", " << p.y;
    }
  }
  SetClientArea(FrameWidth, FrameHeight);
}

// The window's size kept between games: what the file may say, and who wins.
TEST_F(ReplayFileTest, ScreenSettingsAreReadKeptAndDamagedOnesIgnored) {
  using namespace std::string_literals;
  const struct { std::string text; bool good; ScreenChoice choice; } texts[] = {
      {"scale=3\nfullscreen=1\n", true, {3, true}},
      {"fullscreen=0\r\n", true, {std::nullopt, false}},
      {"", true, {}},
      {"\nscale=8\n\n", true, {8, std::nullopt}},
      {"scale=9\n", false, {}},
      {"scale=0\n", false, {}},
      {"scale=3\nscale=4\n", false, {}},
      {"scale = 3\n", false, {}},
      {"fullscreen=yes\n", false, {}},
      {"volume=2\n", false, {}},
      {"scale=3\0\n"s, false, {}},
  };
  for (const auto& t : texts) {
    ScreenChoice choice;
    std::string error;
    EXPECT_EQ(ParseScreenSettings(t.text, choice, error), t.good) << t.text;
    if (t.good) {
      EXPECT_EQ(choice, t.choice) << t.text;
    } else {
      EXPECT_FALSE(error.empty()) << t.text;
    }
  }

  // Command line over file; a scale alone on the command line asks for a window.
  const struct { ScreenChoice command_line, file; int scale; bool fullscreen; } choices[] = {
      {{}, {}, 0, false},
      {{}, {2, true}, 2, true},
      {{3, std::nullopt}, {2, true}, 3, false},
      {{std::nullopt, true}, {2, false}, 2, true},
      {{3, true}, {}, 3, true},
  };
  for (const auto& c : choices) {
    ChooseScreen(c.command_line, c.file);
    EXPECT_EQ((std::pair{WindowScale, DesktopFullscreen}), (std::pair{c.scale, c.fullscreen}));
  }

  // Kept, read back; a damaged file is named on stderr and counts as no choice.
  const std::string settings = Path("config/valdorik/settings");
  ChooseScreen({5, std::nullopt}, {});
  SaveScreenSettings(settings);
  EXPECT_EQ(ReadScreenSettings(settings), (ScreenChoice{5, false}));
  std::ofstream(settings) << "scale=5\nfullscreen=2\n";
  testing::internal::CaptureStderr();
  EXPECT_EQ(ReadScreenSettings(settings), ScreenChoice{});
  EXPECT_NE(testing::internal::GetCapturedStderr().find(settings + " is damaged"), std::string::npos);
  // A scale nobody chose (the largest that fits) is not kept.
  ChooseScreen({std::nullopt, true}, {});
  WindowScale = 2;
  SaveScreenSettings(settings);
  EXPECT_EQ(ReadScreenSettings(settings), (ScreenChoice{std::nullopt, true}));
  // A folder that cannot be made: told, nothing else happens.
  testing::internal::CaptureStderr();
  SaveScreenSettings(settings + "/settings");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot keep the window's size"), std::string::npos);
  ChooseScreen({}, {});
}

TEST_F(ReplayFileTest, ReplayFolderKeepsTheNewestFiftyInStartOrder) {
  setenv("XDG_DATA_HOME", dir_.c_str(), 1);
  const std::string folder = ReplayFolder();
  EXPECT_EQ(folder, dir_ + "/valdorik/replays");
  unsetenv("XDG_DATA_HOME");
  std::string error;
  const long long start = 1780000000;  // one game a minute
  std::vector<std::string> made;
  for (int game = 0; game < 53; ++game) {
    made.push_back(NewReplayPath(folder, start + 60 * game, KeptReplays, error));
    ASSERT_FALSE(made.back().empty()) << error;
    std::ofstream(made.back()) << "x";
  }
  const std::string again = NewReplayPath(folder, start + 60 * 52, KeptReplays, error);
  EXPECT_NE(again, made.back()) << "a second game in the same second gets a name of its own";
  std::ofstream(again) << "x";
  std::vector<std::string> kept;
  for (const auto& entry : fs::directory_iterator(folder)) kept.push_back(entry.path().string());
  std::sort(kept.begin(), kept.end());
  ASSERT_EQ(kept.size(), static_cast<size_t>(KeptReplays));
  EXPECT_EQ(kept.back(), again) << "names sort in start order";
  EXPECT_EQ(kept.front(), made[4]) << "the four oldest went";
  EXPECT_EQ(NewReplayPath("/proc/no/such/folder", start, KeptReplays, error), "");
  EXPECT_NE(error.find("/proc/no/such/folder"), std::string::npos) << error;
}

}  // namespace
