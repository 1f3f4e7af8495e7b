// The simulator's input script: timed pointer moves and key presses.
//
//   P mouse X Y      pointer at client pixel (X, Y) from pass P on
//   P press KEY      KEY held from pass P on
//   P release KEY    KEY released from pass P on
//
// '#' starts a comment; blank lines are ignored. KEY is left, middle, right,
// F1..F8, Backspace, 0, Space or H.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class ScriptAction : uint8_t { Mouse, Press, Release };

// Mouse buttons share the key field, under their Windows virtual-key codes.
constexpr int ButtonLeft = 0x01;
constexpr int ButtonRight = 0x02;
constexpr int ButtonMiddle = 0x04;

struct ScriptEvent {
  int32_t pass;  // 1..2^31-1
  ScriptAction action;
  int key;   // Press, Release
  int x, y;  // Mouse
};

// Events sorted by pass; events of one pass keep their file order.
struct InputScript {
  std::vector<ScriptEvent> events;
};

// Parses `text`; on failure returns false with `error` as "FILE:LINE: what".
bool ParseInputScript(std::string_view text, std::string_view file_name, InputScript& script,
                      std::string& error);

// Puts one event into the game's input state.
void ApplyScriptEvent(const ScriptEvent& event);
