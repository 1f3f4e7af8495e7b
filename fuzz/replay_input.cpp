// The replay check lives apart from the others: the simulator's input script
// names its buttons as the host's event types do, so the two headers cannot meet.
#include <algorithm>
#include <string_view>

#include "fuzz_inputs.h"
#include "replay/replay_file.h"

namespace {

bool IsPrintable(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// The largest value each event kind may carry in a and b; 0 for a field the
// kind does not use, which must read back as 0.
struct EventLimits {
  EventKind kind;
  int a, b;
};
constexpr EventLimits EventFieldLimits[] = {
    {EventKind::KeyDown, MaxKeyCode, 0},
    {EventKind::KeyUp, MaxKeyCode, 0},
    {EventKind::PointerMove, MaxPointerOrSize, MaxPointerOrSize},
    {EventKind::ButtonDown, ButtonRight, 0},
    {EventKind::ButtonUp, ButtonRight, 0},
    {EventKind::Activate, 1, 0},
    {EventKind::Size, MaxPointerOrSize, MaxPointerOrSize},
    {EventKind::Close, 0, 0},
    {EventKind::Quit, 0, 0},
};

bool Within(int64_t value, int64_t max) { return value >= 0 && value <= max; }

std::string ReplayRecordProblem(const ReplayRecord& r, const ReplayRecord* before) {
  switch (r.kind) {
    case RecordKind::Event:
      for (const EventLimits& limits : EventFieldLimits)
        if (limits.kind == r.event.kind)
          return Within(r.event.a, limits.a) && Within(r.event.b, limits.b) ? "" : "event field out of range";
      return "unknown event kind accepted";
    case RecordKind::KeyAnswer:
      return Within(r.query, MaxKeyQuery) && Within(r.key, MaxKeyCode) && Within(r.answer, 1)
                 ? ""
                 : "key answer out of range";
    case RecordKind::KeySample:
      return Within(r.key, MaxKeyCode) && Within(r.answer, 1) ? "" : "key sample out of range";
    case RecordKind::PassEnd:
      if (r.passes < 1) return "empty idle run";
      return before && before->kind == RecordKind::PassEnd ? "idle runs in a row not merged" : "";
    case RecordKind::Clock: return "";
    case RecordKind::End: return "the end mark came back as a record";
  }
  return "unknown record kind";
}

}  // namespace

std::string CheckReplayInput(const uint8_t* data, size_t size) {
  Replay replay;
  std::string error;
  if (!ParseReplay(data, size, "fuzz.replay", replay, error)) {
    if (error.rfind("fuzz.replay: ", 0) != 0) return "error does not name the file: " + error;
    if (!IsPrintable(error)) return "error is not one printable line";
    return "";
  }
  if (replay.game_version.size() > MaxGameVersionLength || !IsPrintable(replay.game_version))
    return "game version is not short printable text";
  // Each record takes at least one byte, so a hostile file cannot make the list grow faster than itself.
  if (replay.records.size() > size) return "more records than bytes";
  int64_t passes = 0;
  for (size_t i = 0; i < replay.records.size(); ++i) {
    const ReplayRecord& r = replay.records[i];
    const std::string problem = ReplayRecordProblem(r, i > 0 ? &replay.records[i - 1] : nullptr);
    if (!problem.empty()) return problem + " (record " + std::to_string(i) + ")";
    if (r.kind == RecordKind::PassEnd) passes += r.passes;
  }
  if (passes != replay.passes) return "pass count differs from the idle runs";
  if (replay.complete) {
    if (data[size - 1] != ReplayEndCode) return "complete without the end mark last";
    return replay.cut_note.empty() ? "" : "complete file with a cut note";
  }
  if (!replay.records.empty() && replay.records.back().kind != RecordKind::PassEnd)
    return "cut file keeps records after its last pass end";
  if (replay.cut_note.rfind("fuzz.replay: ends at pass " + std::to_string(passes) + " ", 0) != 0)
    return "cut note does not say where the file ends: " + replay.cut_note;
  return "";
}
