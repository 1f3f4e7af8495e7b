#include "lockstep/versus_replay.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/file_names.h"

namespace {

struct Writer {
  std::FILE* file = nullptr;
  std::vector<uint8_t> buffer;
  std::vector<uint8_t> pushed;  // everything written so far
  int64_t quiet_turns = 0;  // a run still growing: written when it ends
  int turns_since_push = 0;
  bool failed = false;
  SeatFlags played{1, 1};
} Out;

bool IsQuiet(const TurnInput& input) { return input.events.empty() && input.instant_keys == 0; }

std::vector<uint8_t> QuietRunBytes(int64_t turns) {
  std::vector<uint8_t> bytes{VersusQuietTurnsCode};
  PutVarint(bytes, static_cast<uint64_t>(turns));
  return bytes;
}

void EndQuietRun() {
  if (Out.quiet_turns == 0) return;
  const std::vector<uint8_t> run = QuietRunBytes(Out.quiet_turns);
  Out.buffer.insert(Out.buffer.end(), run.begin(), run.end());
  Out.quiet_turns = 0;
}

bool WriteAll(const std::vector<uint8_t>& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), Out.file) == bytes.size();
}

// The quiet turns of a run still growing are written too, past the end the
// file keeps, so that a game that dies keeps them; the next push writes
// over them with the longer run, and the finished file is the same, byte
// for byte, as one written without them.
void Push() {
  if (!Out.file || Out.failed) return;
  Out.pushed.insert(Out.pushed.end(), Out.buffer.begin(), Out.buffer.end());
  bool written = WriteAll(Out.buffer);
  if (written && Out.quiet_turns > 0) {
    const long end = std::ftell(Out.file);
    written = end >= 0 && WriteAll(QuietRunBytes(Out.quiet_turns)) && std::fflush(Out.file) == 0 &&
              std::fseek(Out.file, end, SEEK_SET) == 0;
  }
  if (!written || std::fflush(Out.file) != 0) Out.failed = true;
  Out.buffer.clear();
  Out.turns_since_push = 0;
}

// Reading: where we are in the bytes, and what went wrong there.
struct Reader {
  std::span<const uint8_t> bytes;
  size_t pos = 0;
  std::string problem;
  bool damaged = false;  // not merely cut short: the file holds what no writer writes
  bool Fail(const char* what, bool certain = false) {
    problem = what;
    damaged = certain;
    return false;
  }
};

bool ReadHeader(Reader& in, VersusReplay& replay) {
  if (in.bytes.size() < sizeof VersusReplayMagic + 2) return in.Fail("too short for a versus replay");
  in.pos = sizeof VersusReplayMagic;
  if (in.bytes[in.pos++] != VersusReplayFormatVersion) return in.Fail("a versus replay of another format version");
  const size_t length = in.bytes[in.pos++];
  if (length > 32 || in.bytes.size() - in.pos < length + 4) return in.Fail("the header is damaged");
  replay.game_version.assign(in.bytes.begin() + in.pos, in.bytes.begin() + in.pos + length);
  in.pos += length;
  for (int i = 0; i < 4; ++i) replay.seed |= uint32_t{in.bytes[in.pos++]} << (8 * i);
  return true;
}

// One record; false at the end mark (replay.complete) or damage (in.problem).
bool ReadRecord(Reader& in, VersusReplay& replay, SeatFlags& played) {
  const uint8_t code = in.bytes[in.pos++];
  VersusRecord record;
  uint64_t value = 0;
  switch (code) {
    case VersusEndCode: replay.complete = true; return false;
    case VersusQuietTurnsCode:
      if (!GetVarint(in.bytes, in.pos, MaxQuietTurns, value) || value == 0) return in.Fail("a run of turns is damaged");
      record.quiet_turns = static_cast<int64_t>(value);
      replay.records.push_back(record);
      replay.turns += record.quiet_turns;
      return true;
    case VersusTurnCode:
      for (int seat = 0; seat < SeatCount; ++seat)
        if (played[seat] && !ReadTurnInput(in.bytes, in.pos, record.inputs[seat])) return in.Fail("a turn is damaged");
      replay.records.push_back(record);
      ++replay.turns;
      return true;
    case VersusTakeOverCode:
      if (in.pos >= in.bytes.size() || in.bytes[in.pos] >= SeatCount) return in.Fail("a seat is damaged");
      record.kind = VersusRecord::Kind::TakeOver;
      record.seat = in.bytes[in.pos++];
      played[record.seat] = 0;
      replay.records.push_back(record);
      return true;
    default: return in.Fail("an unknown record", true);
  }
}

}  // namespace

bool IsVersusReplay(std::span<const uint8_t> bytes) {
  return bytes.size() >= sizeof VersusReplayMagic &&
         std::memcmp(bytes.data(), VersusReplayMagic, sizeof VersusReplayMagic) == 0;
}

bool ParseVersusReplay(std::span<const uint8_t> bytes, const std::string& name, VersusReplay& replay, std::string& error) {
  replay = {};
  Reader in{.bytes = bytes, .pos = 0, .problem = {}, .damaged = false};
  if (!IsVersusReplay(bytes) || !ReadHeader(in, replay)) {
    error = name + ": " + (in.problem.empty() ? "not a versus replay" : in.problem);
    return false;
  }
  SeatFlags played{1, 1};
  size_t record_start = in.pos;
  while (in.pos < bytes.size()) {
    record_start = in.pos;
    if (ReadRecord(in, replay, played)) continue;
    if (replay.complete && in.pos == bytes.size()) break;
    if (replay.complete) {
      record_start = in.pos;
      in.Fail("bytes after the end mark", true);
    }
    // A record the file stops inside is a cut, not damage: the game was killed writing it.
    if (in.pos >= bytes.size() && !in.damaged) break;
    error = name + ": byte " + std::to_string(record_start) + ": " + in.problem;
    return false;
  }
  if (!replay.complete)
    replay.cut_note = name + ": ends at turn " + std::to_string(replay.turns) + " (byte " + std::to_string(record_start) +
                      " of " + std::to_string(bytes.size()) + ") without its end mark";
  return true;
}

bool OpenVersusReplay(const std::string& path, const std::string& game_version, uint32_t seed, std::string& error) {
  CloseVersusReplay();
  Out = {};
  Out.file = OpenFile(path, "wb");
  if (!Out.file) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  Out.buffer.assign(VersusReplayMagic, VersusReplayMagic + sizeof VersusReplayMagic);
  Out.buffer.push_back(VersusReplayFormatVersion);
  const std::string version = game_version.substr(0, 32);
  Out.buffer.push_back(static_cast<uint8_t>(version.size()));
  Out.buffer.insert(Out.buffer.end(), version.begin(), version.end());
  for (int i = 0; i < 4; ++i) Out.buffer.push_back(static_cast<uint8_t>(seed >> (8 * i)));
  Push();
  if (Out.failed) error = path + ": cannot be written";
  return !Out.failed;
}

void WriteVersusTurn(const std::array<TurnInput, SeatCount>& inputs) {
  if (!Out.file) return;
  const bool quiet = std::all_of(inputs.begin(), inputs.end(), IsQuiet);
  if (quiet) {
    ++Out.quiet_turns;
  } else {
    EndQuietRun();
    Out.buffer.push_back(VersusTurnCode);
    for (int seat = 0; seat < SeatCount; ++seat)
      if (Out.played[seat]) AppendTurnInput(inputs[seat], Out.buffer);
  }
  if (++Out.turns_since_push >= FlushEveryTurns) Push();
}

void WriteVersusTakeOver(int seat) {
  if (!Out.file) return;
  EndQuietRun();
  Out.buffer.push_back(VersusTakeOverCode);
  Out.buffer.push_back(static_cast<uint8_t>(seat));
  Out.played[seat] = 0;
}

void FlushVersusReplay() { Push(); }

void CloseVersusReplay() {
  if (!Out.file) return;
  EndQuietRun();
  Out.buffer.push_back(VersusEndCode);
  Push();
  if (std::fclose(Out.file) != 0) Out.failed = true;
  Out.file = nullptr;
}

bool VersusReplayFailed() { return Out.failed; }

std::vector<uint8_t> VersusReplaySoFar() {
  std::vector<uint8_t> bytes = Out.pushed;
  bytes.insert(bytes.end(), Out.buffer.begin(), Out.buffer.end());
  if (Out.quiet_turns > 0) {
    const std::vector<uint8_t> run = QuietRunBytes(Out.quiet_turns);
    bytes.insert(bytes.end(), run.begin(), run.end());
  }
  bytes.push_back(VersusEndCode);
  return bytes;
}
