#include "replay/playback.h"

#include "host/input.h"

namespace {

GameHost Window;
const Replay* Playing = nullptr;
std::string Name;
size_t Next = 0;             // the next record to use
int64_t RunPassesUsed = 0;   // of the pass-end run at Next
IdlePassPlace Pass;
std::string Problem;
bool StopAsked = false;
bool WatcherLeft = false;

const ReplayRecord* NextRecord() { return Next < Playing->records.size() ? &Playing->records[Next] : nullptr; }

// The recording and the game part ways: say where, and end the playback.
void Diverge(const std::string& what) {
  if (Problem.empty()) Problem = Name + ": pass " + std::to_string(Pass.begun) + ": " + what;
  StopAsked = true;
}

void EndIdlePass() {
  if (!Pass.Close()) return;
  const ReplayRecord* record = NextRecord();
  if (!record || record->kind != RecordKind::PassEnd) return Diverge("the recorded pass holds more than the game asked");
  if (++RunPassesUsed < record->passes) return;
  RunPassesUsed = 0;
  ++Next;
}

// Escape or closing ends the playback; a real resize keeps the picture right.
void WatchWindow() {
  HostEvent event;
  while (Window.poll_event(event)) {
    const bool escape = event.kind == EventKind::KeyDown && event.a == KeyEscape;
    if (escape || event.kind == EventKind::Close || event.kind == EventKind::Quit) WatcherLeft = true;
    if (event.kind == EventKind::Size) Window.keep_frame_viewport(event.a, event.b);
  }
}

bool PlaybackPollEvent(HostEvent& event) {
  WatchWindow();
  EndIdlePass();
  const ReplayRecord* record = NextRecord();
  if (StopAsked || WatcherLeft || !record) {
    event = {EventKind::Quit};
    return true;
  }
  if (record->kind == RecordKind::Event) {
    event = record->event;
    ++Next;
    return true;
  }
  Pass.Open();
  return false;
}

// The pass's sample: the key table, with the keys the recording sampled otherwise.
void PlaybackSampleKeys(KeyTable& held) {
  for (const ReplayRecord* record = NextRecord(); record && record->kind == RecordKind::KeySample; record = NextRecord()) {
    held[record->key] = static_cast<uint8_t>(record->answer);
    ++Next;
  }
}

// A format 1 recording answers by the query's place within its pass.
int PlaybackKeyHeldNow(int key) {
  const int query = Pass.next_query++;
  const ReplayRecord* record = NextRecord();
  if (!record || record->kind != RecordKind::KeyAnswer || record->query != query)
    return SampledKeyHeld(key);
  if (record->key != key) Diverge("key answer for key " + std::to_string(record->key) + ", asked " + std::to_string(key));
  ++Next;
  return record->answer;
}

uint32_t PlaybackClockSeconds() {
  const ReplayRecord* record = NextRecord();
  if (!record || record->kind != RecordKind::Clock) {
    Diverge("a new game without its recorded clock");
    return 0;
  }
  ++Next;
  return record->clock;
}

void Ignore() {}
void IgnoreSize(int, int) {}

// The player round the window's host: the game's answers come from the
// replay, the window still sleeps, presents and draws.
GameHost PlaybackHost(const GameHost& window) {
  GameHost player = window;
  player.poll_event = PlaybackPollEvent;
  player.sample_keys = PlaybackSampleKeys;
  player.key_held_now = PlaybackKeyHeldNow;
  player.clock_seconds = PlaybackClockSeconds;
  player.post_quit = Ignore;                    // the recorded quit follows in the file
  player.move_game_window_to_pointer = Ignore;  // the player's pointer has no say
  player.keep_frame_viewport = IgnoreSize;      // the recorded window's size is not this one's
  return player;
}

}  // namespace

void StartPlayback(const Replay& replay, const std::string& name, const GameHost& window) {
  Window = window;
  Playing = &replay;
  Name = name;
  Next = 0;
  RunPassesUsed = 0;
  Pass = {};
  Problem.clear();
  StopAsked = false;
  WatcherLeft = false;
  Host = PlaybackHost(window);
}

bool PlaybackWatcherLeft() {
  WatchWindow();
  return WatcherLeft;
}

const std::string& PlaybackProblem() { return Problem; }
