#include "lockstep/versus_playback.h"

#include <vector>

#include "replay/replay_file.h"

namespace {

const VersusReplay* Playing = nullptr;
size_t NextRecord = 0;
int64_t QuietTurnsPlayed = 0;  // of the run at NextRecord

}  // namespace

bool ReadVersusReplayFile(const std::string& path, VersusReplay& replay, std::string& error) {
  std::vector<uint8_t> bytes;
  return ReadReplayBytes(path, bytes, error) && ParseVersusReplay(bytes, path, replay, error);
}

void StartVersusPlayback(const VersusReplay& replay, int view_seat) {
  Playing = &replay;
  NextRecord = 0;
  QuietTurnsPlayed = 0;
  StartVersusGame(replay.seed, view_seat);
}

bool PlayVersusTurn() {
  const std::vector<VersusRecord>& records = Playing->records;
  for (; NextRecord < records.size() && !IsVersusOver(); ++NextRecord) {
    const VersusRecord& record = records[NextRecord];
    if (record.kind == VersusRecord::Kind::TakeOver) {
      HandOverToComputer(record.seat);
      continue;
    }
    RunVersusTurn(record.inputs);
    if (++QuietTurnsPlayed >= record.quiet_turns) {
      ++NextRecord;
      QuietTurnsPlayed = 0;
    }
    return true;
  }
  return false;
}
