// The replay of a versus game: the seed and every turn's inputs from both
// players, in turn order. Both players' games write it from the same turns,
// so their files are the same byte for byte. The layout is in
// docs/replays.md ("Versus games").
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "lockstep/turn_input.h"
#include "lockstep/versus_game.h"

constexpr char VersusReplayMagic[8] = {'V', 'L', 'D', 'V', 'E', 'R', 'S', 'U'};
constexpr int VersusReplayFormatVersion = 1;

// Record codes.
constexpr uint8_t VersusEndCode = 0x00;
constexpr uint8_t VersusTurnCode = 0x01;        // the inputs of the seats people play, in seat order
constexpr uint8_t VersusQuietTurnsCode = 0x02;  // a count: turns in which nobody did anything
constexpr uint8_t VersusTakeOverCode = 0x03;    // a seat: the computer plays it from the next turn

struct VersusRecord {
  enum class Kind { Turn, TakeOver } kind = Kind::Turn;
  std::array<TurnInput, SeatCount> inputs{};  // Turn: empty for a seat the computer plays
  int64_t quiet_turns = 0;                    // Turn: more than 0 for that many turns with no input
  int seat = 0;                               // TakeOver
};

// A run of quiet turns holds at most this many: three days of a game.
constexpr uint64_t MaxQuietTurns = uint64_t{1} << 24;

struct VersusReplay {
  std::string game_version;
  uint32_t seed = 0;
  std::vector<VersusRecord> records;
  int64_t turns = 0;
  bool complete = false;  // the end mark was found
  std::string cut_note;   // a file cut short: where it stops
};

// Whether the bytes begin as a versus replay does.
bool IsVersusReplay(std::span<const uint8_t> bytes);
// Reads a whole file; a file cut short keeps its records up to the last
// whole one. Damaged input: false with `error` as "NAME: [byte N: ]what".
bool ParseVersusReplay(std::span<const uint8_t> bytes, const std::string& name, VersusReplay& replay, std::string& error);

// The writer: one file per process. Quiet turns are kept as runs; the file
// is pushed to the OS every FlushEveryTurns turns, so a game that dies
// leaves a replay up to shortly before. False with `error` when the file
// cannot be made.
constexpr int FlushEveryTurns = 64;
bool OpenVersusReplay(const std::string& path, const std::string& game_version, uint32_t seed, std::string& error);
void WriteVersusTurn(const std::array<TurnInput, SeatCount>& inputs);
void WriteVersusTakeOver(int seat);
void CloseVersusReplay();  // the end mark; no-op when none is open
bool VersusReplayFailed();  // a write failed: the game plays on unrecorded
// Pushes what is whole to the OS now (a desync report reads the file).
void FlushVersusReplay();
// The replay up to the last turn written, with its end mark, as the file
// will hold it: a desync report keeps it.
std::vector<uint8_t> VersusReplaySoFar();
