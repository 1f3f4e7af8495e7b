// The null backend: the whole contract of backend.h, with no window, no
// picture and no sound. It is the template for a new backend (copy this
// folder, fill in each function, add the folder's list to CMakeLists.txt),
// and it builds and runs anywhere: `valdorik-null --replay FILE` plays a
// recorded game to its end with nothing drawn, as the window would.
//
// Limits: no player input at all (no events, no keys held), so a game that
// is not a replay runs until the process is stopped; its clock is its own
// count of the time it waited, which it never spends, so a replay plays
// back as fast as the rules run.
#include <cstdio>

#include "host/input.h"
#include "platform/backend.h"
#include "platform/event_queue.h"

namespace {

// A backend hands what its system says to the event queue (QueueKey,
// QueueButton, QueueEvent), and its poll takes from there. Here the system
// says nothing: only the Quit that post_quit asks for comes.
void PostQuit() { QueueEvent({EventKind::Quit}); }
void NoWindowToMove() {}
void NoSound(const char*) {}

}  // namespace

BackendCalls OwnCalls() {
  return {.poll_event = TakeQueuedEvent,
          .key_held_now = KeyTableHeld,  // no keyboard: what the events said
          .post_quit = PostQuit,
          .move_game_window_to_pointer = NoWindowToMove,
          .play_sound_async = NoSound};
}

// Nothing drawn: the headless host's render slots.
RenderCalls OwnRenderCalls() { return RenderCallsOf(HeadlessHost(0)); }

bool CreateGameWindow(const char*, int, int) { return true; }

void DestroyGameWindow() {}

void ShowMessageBox(const char* text, const char* caption, BoxIcon) { std::fprintf(stderr, "%s: %s\n", caption, text); }

std::string OwnFolder() { return {}; }

void ShutDownBackend() {}

void SwitchFullscreen() {}

// The driver waits between passes (GameMain): the time waited is counted,
// not spent.
double WaitedMs = 0;
double NowMs() { return WaitedMs; }
void WaitForWindow(double milliseconds) { WaitedMs += milliseconds; }
