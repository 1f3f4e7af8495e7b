// GameMain, the driver of the backends that may wait (SDL, Win32, null), on
// a scripted backend: a clock that moves only as the game waits, and the
// system's events delivered at their scripted times, during the waits as a
// window's would be. No time of the machine's is measured.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/input.h"
#include "platform/backend.h"
#include "platform/event_queue.h"
#include "platform/game_entry.h"

namespace {

// What the system says, and when (on the scripted clock, in milliseconds).
struct Said {
  double at;
  HostEvent event;
};
std::vector<Said> Script;
size_t NextSaid = 0;
double Now = 0;
std::vector<double> WaitsAsked;

void Deliver(const HostEvent& event) {
  if (event.kind == EventKind::KeyDown || event.kind == EventKind::KeyUp)
    QueueKey(event.a, event.kind == EventKind::KeyDown);
  else
    QueueEvent(event);
}

// Whatever the system has said by `until` goes into the queue.
void Hear(double until) {
  for (; NextSaid < Script.size() && Script[NextSaid].at <= until; ++NextSaid) Deliver(Script[NextSaid].event);
}

bool PollScripted(HostEvent& event) {
  Hear(Now);
  return TakeQueuedEvent(event);
}

void PostQuit() { QueueEvent({EventKind::Quit}); }
void Nothing() {}
void NoSound(const char*) {}

}  // namespace

// ---- The scripted backend: backend.h, whole ----

BackendCalls OwnCalls() {
  return {.poll_event = PollScripted,
          .key_held_now = KeyTableHeld,
          .post_quit = PostQuit,
          .move_game_window_to_pointer = Nothing,
          .play_sound_async = NoSound};
}

RenderCalls OwnRenderCalls() { return RenderCallsOf(HeadlessHost(0)); }

bool CreateGameWindow(const char*, int, int) { return true; }
void DestroyGameWindow() {}
void ShowMessageBox(const char* text, const char* caption, BoxIcon) { std::fprintf(stderr, "%s: %s\n", caption, text); }
std::string OwnFolder() { return {}; }
void ShutDownBackend() {}
void SwitchFullscreen() {}

double NowMs() { return Now; }

// As a window backend waits: the system's events as they come, until the
// time is up or a close waits. A wait that returns at once still takes the
// machine a moment (a millisecond here).
void WaitForWindow(double milliseconds) {
  WaitsAsked.push_back(milliseconds);
  const double until = Now + milliseconds;
  if (EndWaiting()) {
    Now += 1;
    return;
  }
  while (!EndWaiting() && NextSaid < Script.size() && Script[NextSaid].at <= until) {
    Now = std::max(Now, Script[NextSaid].at);
    Deliver(Script[NextSaid++].event);
  }
  if (!EndWaiting()) Now = until;
}

namespace {

// E held: every pass asks a pause of 500 ms. The window is closed 200 ms
// in, while the game waits out the first of them: the game ends then, not
// once the pause is over.
TEST(GameMain, ACloseDuringAPauseEndsTheGameAtOnce) {
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "game_main_test";
  std::filesystem::create_directories(folder);
  std::string record = (folder / "game.vrp").string();
  std::string options[] = {"valdorik", "--record", record};
  char* argv[] = {options[0].data(), options[1].data(), options[2].data()};
  constexpr double CloseAt = 200;
  Script = {{0, {EventKind::KeyDown, KeyE}}, {CloseAt, {EventKind::Close}}};
  NextSaid = 0;
  Now = 0;
  WaitsAsked.clear();
  EXPECT_EQ(GameMain(3, argv), ExitStatus::Ok);
  ASSERT_FALSE(WaitsAsked.empty());
  EXPECT_GT(WaitsAsked.front(), 500) << "the game did not wait out E's pause before the close";
  EXPECT_EQ(NextSaid, Script.size()) << "the game ended before the close";
  EXPECT_LT(Now - CloseAt, 1000.0 / 60) << "the game ended " << Now - CloseAt << " ms after the close";
  std::filesystem::remove_all(folder);
}

}  // namespace
