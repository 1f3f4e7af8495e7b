#include "platform/backend.h"

#include <ctime>

GameHost HostOf(const BackendCalls& own, const RenderCalls& render) {
  return {.poll_event = own.poll_event,
          .key_held_now = own.key_held_now,
          .clock_seconds = [] { return static_cast<uint32_t>(std::time(nullptr)); },
          .sleep_ms = own.sleep_ms,
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
