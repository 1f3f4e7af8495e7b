// The simulator's input script: timed pointer moves, key presses and
// activation, handed to the main loop as the window's events would be.
//
//   P mouse X Y      pointer at client pixel (X, Y) from pass P on
//   P press KEY      KEY held from pass P on
//   P release KEY    KEY released from pass P on
//   P active 0|1     the window stops / starts counting as active
//
// '#' starts a comment; blank lines are ignored. KEY is left, middle, right,
// F1..F8, Backspace, 0, Space, H, or one of the loop's keys Left, Right, Up,
// Down, Shift, PageUp, PageDown, E, M.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

struct ScriptEvent {
  int32_t pass;  // 1..2^31-1
  HostEvent event;
};

// Events sorted by pass; events of one pass keep their file order.
struct InputScript {
  std::vector<ScriptEvent> events;
};

// Parses `text`; on failure returns false with `error` as "FILE:LINE: what".
bool ParseInputScript(std::string_view text, std::string_view file_name, InputScript& script,
                      std::string& error);
