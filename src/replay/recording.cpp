#include "replay/recording.h"

#include <cstdio>

#include "base/version.h"
#include "host/host.h"
#include "host/input.h"
#include "replay/replay_file.h"

namespace {

GameHost Recorded;        // the host being recorded
bool Recording = false;
IdlePassPlace Pass;
bool FailureTold = false;

// A file that stops taking data is told once; the game plays on.
void Write(const ReplayRecord& record) {
  WriteReplayRecord(record);
  if (!ReplayFileFailed() || FailureTold) return;
  FailureTold = true;
  std::fprintf(stderr, "valdorik: the replay is no longer recorded: %s\n", ReplayFileFailure().c_str());
}

void EndIdlePass() {
  if (Pass.Close()) Write({.kind = RecordKind::PassEnd});
}

bool RecordPollEvent(HostEvent& event) {
  EndIdlePass();
  if (Recorded.poll_event(event)) {
    Write({.kind = RecordKind::Event, .event = event});
    return true;
  }
  Pass.Open();
  return false;
}

// Nearly always the key table as it is, which the replay knows already:
// only the keys sampled otherwise are kept.
void RecordSampleKeys(KeyTable& held) {
  Recorded.sample_keys(held);
  for (int key = 0; key < 256; ++key)
    if (held[key] != KeyState[key]) Write({.kind = RecordKind::KeySample, .key = key, .answer = held[key] ? 1 : 0});
}

uint32_t RecordClockSeconds() {
  const uint32_t seconds = Recorded.clock_seconds();
  Write({.kind = RecordKind::Clock, .clock = seconds});
  return seconds;
}

// The recorder round `inner`: the three answers the replay keeps go
// through it, everything else is the inner host's own.
GameHost RecorderHost(const GameHost& inner) {
  Recorded = inner;
  GameHost recorder = inner;
  recorder.poll_event = RecordPollEvent;
  recorder.sample_keys = RecordSampleKeys;
  recorder.clock_seconds = RecordClockSeconds;
  return recorder;
}

// Hands back to the inner host only the slots that are still the recorder's.
template <class Slot>
void Unwrap(Slot& slot, Slot recorder, Slot inner) {
  if (slot == recorder) slot = inner;
}

}  // namespace

bool StartRecording(const std::string& path, std::string& error, const std::vector<ReplayRecord>& past) {
  if (Recording || !OpenReplayFile(path, GameVersion(), error)) return false;
  Recording = true;
  Pass = {};
  FailureTold = false;
  for (const ReplayRecord& record : past) Write(record);
  Host = RecorderHost(Host);
  return true;
}

void FlushRecording() {
  if (Recording) FlushReplayFile(Pass.open ? 1 : 0);
}

void StopRecording() {
  if (!Recording) return;
  EndIdlePass();
  CloseReplayFile();
  Unwrap(Host.poll_event, RecordPollEvent, Recorded.poll_event);
  Unwrap(Host.sample_keys, RecordSampleKeys, Recorded.sample_keys);
  Unwrap(Host.clock_seconds, RecordClockSeconds, Recorded.clock_seconds);
  Recording = false;
}
