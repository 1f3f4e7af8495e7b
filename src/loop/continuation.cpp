#include "loop/continuation.h"

#include "host/input.h"
#include "loop/main_loop.h"
#include "loop/startup.h"
#include "replay/playback.h"

namespace {

bool PartOfAPass(const ReplayRecord& record) {
  return record.kind == RecordKind::KeyAnswer || record.kind == RecordKind::KeySample ||
         record.kind == RecordKind::Clock;
}

}  // namespace

Replay ReplayBeforeItsEnd(const Replay& replay) {
  Replay before = replay;
  std::vector<ReplayRecord>& records = before.records;
  if (!replay.complete || records.empty()) return before;
  // The game ends in a message pass (its Quit) or in an idle pass.
  if (records.back().kind == RecordKind::Event) {
    records.pop_back();
    return before;
  }
  if (records.back().kind != RecordKind::PassEnd) return before;
  --before.passes;
  if (--records.back().passes > 0) return before;  // the run's other passes took no answers
  records.pop_back();
  // The pass's own answers and clock reads go with it; the clock read of
  // start-up, before any pass, leads the file and stays.
  while (records.size() > 1 && PartOfAPass(records.back())) records.pop_back();
  return before;
}

bool PlayRecordedPast(const Replay& replay, const std::string& name, std::string& problem) {
  StartPlayback(replay, name, HeadlessHost(0));
  StartGame();
  MainLoop();  // until the recording runs out
  problem = PlaybackProblem();
  return problem.empty();
}

std::vector<ReplayRecord> ReleaseHeldInput() {
  std::vector<HostEvent> events;
  for (int key = 0; key < 256; ++key)
    if (KeyState[key]) events.push_back({EventKind::KeyUp, key});
  const int held[] = {MouseState.left, MouseState.middle, MouseState.right};
  for (int button : {ButtonLeft, ButtonMiddle, ButtonRight})
    if (held[button]) events.push_back({EventKind::ButtonUp, button});
  if (!AppActive) events.push_back({EventKind::Activate, 1});
  std::vector<ReplayRecord> records;
  for (const HostEvent& event : events) {
    HandleHostEvent(event);
    records.push_back({.kind = RecordKind::Event, .event = event});
  }
  return records;
}
