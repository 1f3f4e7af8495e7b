// The replay file: every answer the game took from its host, in order, so
// that the deterministic rules can play a recorded game again. The writer
// keeps one file open per process and pushes it to the OS at pass ends often
// enough that a killed game leaves a file that replays up to shortly before
// it died. The reader takes a whole file and validates it before anything
// runs. The byte layout is described in docs/replays.md ("File format").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"

enum class RecordKind : uint8_t {
  Event,      // one message pass: the event it took
  KeyAnswer,  // format 1: an instant key query answered unlike the game's key table
  KeySample,  // an instant key sampled unlike the key table as its idle pass began
  Clock,      // the clock read that seeds a new game
  PassEnd,    // the end of `passes` idle passes in a row
  End,        // the game closed the file (writing one closes the file)
};

struct ReplayRecord {
  RecordKind kind = RecordKind::PassEnd;
  HostEvent event{};  // Event; the fields its kind does not use read back as 0
  int query = 0;      // KeyAnswer: the query's number within its pass
  int key = 0;        // KeyAnswer, KeySample
  int answer = 0;     // KeyAnswer, KeySample: 0 or 1
  uint32_t clock = 0;   // Clock: seconds
  int64_t passes = 1;   // PassEnd
  bool operator==(const ReplayRecord&) const = default;
};

// The header: magic, format version, then the game's version as a short string.
// Version 1 kept the instant keys as answers numbered by their query within
// the pass; version 2 keeps them as the pass's sample. Both are read (a
// game continued from a version 1 file keeps its answers in the new file).
constexpr char ReplayMagic[8] = {'V', 'L', 'D', 'R', 'E', 'P', 'L', 'Y'};
constexpr int ReplayFormatVersion = 2;
constexpr int OldestReplayFormatVersion = 1;
constexpr size_t MaxGameVersionLength = 32;

// Record codes: an event's code is its EventKind (1..EventKindCount).
constexpr uint8_t ReplayEndCode = 0x00;
constexpr uint8_t ReplayKeyAnswerCode = 0x0A;
constexpr uint8_t ReplayClockCode = 0x0B;
constexpr uint8_t ReplayKeySampleCode = 0x0C;  // from version 2
constexpr uint8_t ReplayPassRunCode = 0x80;  // 0x80 + n - 1: n idle passes, 1..128
constexpr int MaxPassRun = 128;
constexpr int MaxVarintBytes = 4;  // 28 bits: every number the format holds fits

// Far beyond any real game (30 minutes of steady pointer motion take under
// half a megabyte), and it bounds what a stray file can make us hold.
constexpr size_t MaxReplayFileBytes = size_t(16) << 20;

// Field ranges (all start at 0).
constexpr int MaxKeyCode = 255;
constexpr int MaxPointerOrSize = 65535;
constexpr int MaxKeyQuery = 4095;

// The writer pushes its buffer to the OS right after a pass end once this many
// passes (about a second of play) or bytes have gathered.
constexpr int FlushEveryPasses = 64;
constexpr size_t FlushBufferBytes = 4096;

// Creates `path` and writes the header. False with `error` ("PATH: reason")
// when the file cannot be created or written, or one is already open.
bool OpenReplayFile(const std::string& path, const std::string& game_version, std::string& error);
// Buffers one record (PassEnds as runs). A record with a field out of range, or
// a write the OS refuses, marks the file failed: nothing more is written, and
// what reached the file stays a readable cut replay. Writing End closes the file.
void WriteReplayRecord(const ReplayRecord& record);
// Writes the end mark, pushes everything out and closes; no-op when none is open.
void CloseReplayFile();
// Puts the file on the OS now, up to the last pass end and `open_passes`
// more (the pass played whose end the recorder writes at its next poll), for
// a host that may be gone before the next push (a browser tab being closed).
// The file comes out the same, byte for byte, as without it: the idle passes
// still counting are written ahead and written over by the next push, which
// codes them as the run they go on to be. No-op when none is open or it has
// failed.
void FlushReplayFile(int64_t open_passes = 0);
// Whether the file opened last has failed, and why (kept after closing).
bool ReplayFileFailed();
const std::string& ReplayFileFailure();

// Where a host that wraps the game's (the recorder, the player) stands in
// the main loop: a poll that finds no event opens an idle pass, the next
// poll closes it, and the instant key queries within a pass are numbered
// from 0, as the replay numbers them.
struct IdlePassPlace {
  bool open = false;
  int64_t begun = 0;   // idle passes opened so far
  int next_query = 0;  // the number of the next key query in the open pass
  void Open() {
    open = true;
    ++begun;
    next_query = 0;
  }
  bool Close() { return std::exchange(open, false); }  // whether a pass was open
};

// A whole replay. Consecutive idle passes are merged into one PassEnd record
// whose `passes` counts them; End is not a record (`complete` says it was seen).
struct Replay {
  int format_version = ReplayFormatVersion;
  std::string game_version;
  std::vector<ReplayRecord> records;
  int64_t passes = 0;     // idle passes: the sum of the PassEnd records
  bool complete = false;  // the end mark was found
  // For a file cut short: "NAME: ends at pass P (byte B of S) without its end mark: ...".
  std::string cut_note;
};

// Reads `bytes` as the replay file `name`. A file cut short is not an error: it
// keeps its records up to its last pass end. Damaged input returns false with
// `error` as one line "NAME: [byte N: ]what".
bool ParseReplay(const uint8_t* bytes, size_t size, const std::string& name, Replay& replay, std::string& error);
bool ReadReplayFile(const std::string& path, Replay& replay, std::string& error);
// A replay file's bytes, of either kind of game, refused past MaxReplayFileBytes.
bool ReadReplayBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
