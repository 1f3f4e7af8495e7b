#include "host/host.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "host/input.h"

VALDORIK_HOST_STATE(VALDORIK_DEFINE_STATE)

namespace {

uint32_t FixedSeed = 0;

bool NoEvent(HostEvent&) { return false; }
uint32_t FixedClock() { return FixedSeed; }
void NoKeyboard(KeyTable&) {}  // the key table's own keys are the sample
void Nothing() {}
void NoSound(const char*) {}
void NoResize(int, int) {}
void NoCursorMark(int, int) {}

}  // namespace

GameHost HeadlessHost(uint32_t seed) {
  FixedSeed = seed;
  return {.poll_event = NoEvent,
          .sample_keys = NoKeyboard,
          .key_held_now = KeyTableHeld,  // the sample, as no event comes within a pass
          .clock_seconds = FixedClock,
          .present_scaled_frame = Nothing,
          .present_paused_frame = Nothing,
          .post_quit = Nothing,
          .move_game_window_to_pointer = Nothing,
          .play_sound_async = NoSound,
          .load_pictures_and_floors = Nothing,
          .set_fixed_gl_state = Nothing,
          .keep_frame_viewport = NoResize,
          .begin_scene = Nothing,
          .draw_terrain = Nothing,
          .draw_units = Nothing,
          .draw_cursor_mark = NoCursorMark,
          .draw_overlay = Nothing};
}

GameHost Host = HeadlessHost(0);

void UseHeadlessHost(uint32_t seed) { Host = HeadlessHost(seed); }

int EmptySlots(const GameHost& host) {
  using AnySlot = void (*)();
  static_assert(sizeof(GameHost) % sizeof(AnySlot) == 0, "a host table holds calls only");
  AnySlot slots[sizeof(GameHost) / sizeof(AnySlot)];
  std::memcpy(slots, &host, sizeof slots);
  return static_cast<int>(std::count(std::begin(slots), std::end(slots), nullptr));
}
