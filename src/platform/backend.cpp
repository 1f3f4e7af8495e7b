#include "platform/backend.h"

#include <ctime>

GameHost HostOf(const BackendCalls& own, const RenderCalls& render) {
  return {.poll_event = own.poll_event,
          .key_held_now = own.key_held_now,
          .clock_seconds = [] { return static_cast<uint32_t>(std::time(nullptr)); },
          .sleep_ms = own.sleep_ms,
          .present = render.present,
          .present_paused = render.present_paused,
          .post_quit = own.post_quit,
          .move_window_to_pointer = own.move_window_to_pointer,
          .play_sound_async = own.play_sound_async,
          .load_pictures = render.load_pictures,
          .set_fixed_render_state = render.set_fixed_render_state,
          .resize_scene = render.resize_scene,
          .begin_scene = render.begin_scene,
          .draw_terrain = render.draw_terrain,
          .draw_units = render.draw_units,
          .draw_cursor_mark = render.draw_cursor_mark,
          .draw_overlay = render.draw_overlay};
}

GameHost BackendHost() { return HostOf(OwnCalls(), OwnRenderCalls()); }
