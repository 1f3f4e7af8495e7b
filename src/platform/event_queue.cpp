#include "platform/event_queue.h"

#include <algorithm>
#include <deque>
#include <iterator>

#include "platform/backend.h"

namespace {

constexpr int KeyReturn = 0x0D;
constexpr int PressableCount = 256 + 3;  // the keys, then the three buttons

std::deque<HostEvent> Events;
int64_t IdlePollsSeen = 0;                  // polls that found nothing to take: an idle pass each
int64_t PressTakenAt[PressableCount] = {};  // 1 + IdlePollsSeen when the game took the press; 0 for none
bool TakenDown[PressableCount] = {};        // the game took a press and not yet its release
int ReleasesWaiting[PressableCount] = {};   // releases still in the queue
bool KeySaidDown[256] = {};
bool ReturnSwitches = false;  // the Return held went to fullscreen: its repeats and release go too

// The key or button an event presses or releases; -1 for any other event.
int PressableOf(const HostEvent& event) {
  switch (event.kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp: return event.a;
    case EventKind::ButtonDown:
    case EventKind::ButtonUp: return 256 + event.a;
    default: return -1;
  }
}

bool IsRelease(const HostEvent& event) { return event.kind == EventKind::KeyUp || event.kind == EventKind::ButtonUp; }

// A release that no frame would see the press of, if it were taken now.
bool ReleaseTooSoon(const HostEvent& event) {
  const int pressable = PressableOf(event);
  return pressable >= 0 && IsRelease(event) && PressTakenAt[pressable] == IdlePollsSeen + 1;
}

}  // namespace

void QueueEvent(const HostEvent& event) {
  const int pressable = PressableOf(event);
  if (pressable >= 0 && IsRelease(event)) ++ReleasesWaiting[pressable];
  Events.push_back(event);
}

// Whether Return goes to fullscreen is settled as it goes down: with Alt
// held it does, and its release follows it there even once Alt is up.
void QueueKey(int code, bool down, bool alt, bool repeated) {
  if (code == KeyReturn) {
    if (down && !repeated) ReturnSwitches = alt;
    if (ReturnSwitches) {
      if (down && !repeated) SwitchFullscreen();
      if (!down) ReturnSwitches = false;
      return;
    }
  }
  if (code <= 0 || code > 255) return;
  KeySaidDown[code] = down;
  QueueEvent({down ? EventKind::KeyDown : EventKind::KeyUp, code});
}

void QueueButton(int button, bool down) {
  if (button >= ButtonLeft && button <= ButtonRight) QueueEvent({down ? EventKind::ButtonDown : EventKind::ButtonUp, button});
}

void LetGoOfKeys() {
  for (int code = 0; code < 256; ++code)
    if (KeySaidDown[code]) QueueKey(code, false);
}

bool TakeQueuedEvent(HostEvent& event) {
  if (Events.empty() || ReleaseTooSoon(Events.front())) {
    ++IdlePollsSeen;
    return false;
  }
  event = Events.front();
  Events.pop_front();
  const int pressable = PressableOf(event);
  if (pressable >= 0 && !IsRelease(event)) {
    TakenDown[pressable] = true;
    PressTakenAt[pressable] = IdlePollsSeen + 1;
  }
  if (pressable >= 0 && IsRelease(event)) {
    TakenDown[pressable] = false;
    --ReleasesWaiting[pressable];
  }
  return true;
}

// Held as the game has it: its press taken, and the release that the
// keyboard already sent still waiting. A tap whose press still waits behind
// other events is not held yet: its frame comes once the game takes it.
bool HeldUntilTaken(int key) { return key >= 0 && key < 256 && TakenDown[key] && ReleasesWaiting[key] > 0; }

bool EndWaiting() {
  return std::any_of(Events.begin(), Events.end(), [](const HostEvent& event) {
    return event.kind == EventKind::Close || event.kind == EventKind::Quit;
  });
}

void ForgetQueuedEvents() {
  Events.clear();
  IdlePollsSeen = 0;
  std::fill(std::begin(PressTakenAt), std::end(PressTakenAt), 0);
  std::fill(std::begin(TakenDown), std::end(TakenDown), false);
  std::fill(std::begin(ReleasesWaiting), std::end(ReleasesWaiting), 0);
  std::fill(std::begin(KeySaidDown), std::end(KeySaidDown), false);
  ReturnSwitches = false;
}
