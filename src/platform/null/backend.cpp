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
RenderCalls OwnRenderCalls() {
  const GameHost none = HeadlessHost(0);
  return {.present_scaled_frame = none.present_scaled_frame,
          .present_paused_frame = none.present_paused_frame,
          .load_pictures_and_floors = none.load_pictures_and_floors,
          .set_fixed_gl_state = none.set_fixed_gl_state,
          .keep_frame_viewport = none.keep_frame_viewport,
          .begin_scene = none.begin_scene,
          .draw_terrain = none.draw_terrain,
          .draw_units = none.draw_units,
          .draw_cursor_mark = none.draw_cursor_mark,
          .draw_overlay = none.draw_overlay};
}

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
