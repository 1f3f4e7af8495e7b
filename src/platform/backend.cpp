#include "platform/backend.h"

#include <ctime>

#include "host/input.h"
#include "platform/event_queue.h"

namespace {

int (*LiveKeyHeld)(int key) = nullptr;  // the backend's keyboard at this instant

// The backend is asked once a pass, for the instant keys only. A key let go
// before any frame saw it held still counts as held for that frame.
void SampleLiveKeys(KeyTable& held) {
  for (int key : InstantKeys) held[key] = LiveKeyHeld(key) || HeldUntilTaken(key) ? 1 : 0;
}

}  // namespace

GameHost HostOf(const BackendCalls& own, const RenderCalls& render) {
  LiveKeyHeld = own.key_held_now;
  return {.poll_event = own.poll_event,
          .sample_keys = SampleLiveKeys,
          .key_held_now = SampledKeyHeld,
          .clock_seconds = [] { return static_cast<uint32_t>(std::time(nullptr)); },
          .present_scaled_frame = render.present_scaled_frame,
          .present_paused_frame = render.present_paused_frame,
          .post_quit = own.post_quit,
          .move_game_window_to_pointer = own.move_game_window_to_pointer,
          .play_sound_async = own.play_sound_async,
          .load_pictures_and_floors = render.load_pictures_and_floors,
          .set_fixed_gl_state = render.set_fixed_gl_state,
          .keep_frame_viewport = render.keep_frame_viewport,
          .begin_scene = render.begin_scene,
          .draw_terrain = render.draw_terrain,
          .draw_units = render.draw_units,
          .draw_cursor_mark = render.draw_cursor_mark,
          .draw_overlay = render.draw_overlay};
}

GameHost BackendHost() { return HostOf(OwnCalls(), OwnRenderCalls()); }

RenderCalls RenderCallsOf(const GameHost& host) {
  return {.present_scaled_frame = host.present_scaled_frame,
          .present_paused_frame = host.present_paused_frame,
          .load_pictures_and_floors = host.load_pictures_and_floors,
          .set_fixed_gl_state = host.set_fixed_gl_state,
          .keep_frame_viewport = host.keep_frame_viewport,
          .begin_scene = host.begin_scene,
          .draw_terrain = host.draw_terrain,
          .draw_units = host.draw_units,
          .draw_cursor_mark = host.draw_cursor_mark,
          .draw_overlay = host.draw_overlay};
}
