// Everything the game takes from outside comes through this one table of
// calls: events, the instant key query, the clock that seeds new games,
// sleeps, presentation, the window, sound and the drawing stretches. The
// hosts are the window (SDL or Win32, with OpenGL), the headless simulator,
// and the replay of a recorded game, which wraps the window's host; the
// recorder wraps whichever host the game runs on.
//
// Every host is built whole: each factory names every slot in one
// designated initializer (or copies a whole table and replaces some), and
// the build refuses one that leaves a slot out
// (-Werror=missing-field-initializers). The slots every window backend
// shares hold the functions of the same name: present_scaled_frame is
// PresentScaledFrame, draw_terrain is DrawTerrain, and so on.
#pragma once

#include <array>
#include <cstdint>

#include "host/state_list.h"

// One message from the window system, in the game's own terms.
enum class EventKind : uint8_t {
  KeyDown = 1,  // a: virtual-key code 0..255
  KeyUp,        // a: virtual-key code 0..255
  PointerMove,  // a, b: frame pixel x, y (the window gives 0..639, 0..479; origin top-left, y down)
  ButtonDown,   // a: MouseButton
  ButtonUp,     // a: MouseButton
  Activate,     // a: 1 the window is shown, 0 minimised or hidden
  Size,         // a, b: the new client width and height (0..65535)
  Close,        // the player asked the window to close
  Quit,         // the end of the loop, taken from the queue like any message
};
constexpr int EventKindCount = static_cast<int>(EventKind::Quit);

enum MouseButton : int { ButtonLeft = 0, ButtonMiddle = 1, ButtonRight = 2 };

struct HostEvent {
  EventKind kind;
  int a = 0;
  int b = 0;
  bool operator==(const HostEvent&) const = default;
};

struct GameHost {
  bool (*poll_event)(HostEvent& event);        // takes one waiting event at once; false when none waits
  // The keys held as an idle pass starts: `held` comes as the key table
  // has them and leaves with the instant keys (InstantKeys) as they are now.
  void (*sample_keys)(std::array<uint8_t, 256>& held);
  int (*key_held_now)(int key);                // the pass's sample of a key: IsKeyDown asks it
  uint32_t (*clock_seconds)();                 // calendar time, truncated to 32 bits: seeds NewGame
  void (*present_scaled_frame)();              // shows the frame drawn (or the last one again) on the window
  void (*present_paused_frame)();              // shows the last frame drawn, dimmed, with PAUSED
  void (*post_quit)();                         // a Quit event follows the events already waiting
  void (*move_game_window_to_pointer)();       // top-left corner under the pointer, at its size
  void (*play_sound_async)(const char* path);  // starts a sound, cutting off one still playing
  // Start-up of the picture side: hide the system pointer, read the pictures
  // into their slots, make the floor textures; then the fixed render state.
  void (*load_pictures_and_floors)();
  void (*set_fixed_gl_state)();
  // The client area is now width x height: the frame keeps its own viewport.
  void (*keep_frame_viewport)(int width, int height);
  // The frame's drawing stretches, called at their points in the frame's order.
  void (*begin_scene)();                     // clears, camera
  void (*draw_terrain)();                    // mesh, visible units, terrain pass
  void (*draw_units)();                      // unit pictures and labels
  void (*draw_cursor_mark)(int dx, int dy);  // the red square on the pointed cell
  void (*draw_overlay)();                    // HUD, help page, messages, composite
};

extern GameHost Host;

// The headless host: no events, the key table is the sample, the clock
// always answers `seed`, nothing is drawn or played.
GameHost HeadlessHost(uint32_t seed);
void UseHeadlessHost(uint32_t seed);

// How many slots of `host` are empty: 0 for every host the game runs on.
int EmptySlots(const GameHost& host);

// The game never sleeps. A pause the rules or the loop ask for (the speed
// setting, a speed key, H, E, scrolling) moves the time at which the next
// pass is due: whoever drives the loop counts it (loop/game_clock.h).
// PauseAskedMs: the pauses asked since the clock last took them.
#define VALDORIK_HOST_STATE(X) X(int, PauseAskedMs, 0)
VALDORIK_HOST_STATE(VALDORIK_DECLARE_STATE)

inline void GameSleep(int milliseconds) { PauseAskedMs += milliseconds; }
