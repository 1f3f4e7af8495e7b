// The game's view of the keyboard and the pointer, fed by the events the
// host hands the main loop (by Windows virtual-key code).
#pragma once

#include <array>
#include <cstdint>

#include "host/host.h"
#include "host/state_list.h"

// The frame the game draws, in pixels. Pointer positions, the overlay and
// the window's size (a whole multiple of it) are all counted in it.
constexpr int FrameWidth = 640;
constexpr int FrameHeight = 480;

// Windows virtual-key codes used by the game.
enum VirtualKey : int {
  KeyBackspace = 0x08,
  KeyShift = 0x10,
  KeyPause = 0x13,
  KeyEscape = 0x1B,
  KeySpace = 0x20,
  KeyPageUp = 0x21,
  KeyPageDown = 0x22,
  KeyLeft = 0x25,
  KeyUp = 0x26,
  KeyRight = 0x27,
  KeyDown = 0x28,
  Key0 = 0x30,
  KeyE = 0x45,
  KeyH = 0x48,
  KeyM = 0x4D,
  KeyP = 0x50,
  KeyF1 = 0x70,
  KeyF2 = 0x71,
  KeyF3 = 0x72,
  KeyF4 = 0x73,
  KeyF5 = 0x74,
  KeyF6 = 0x75,
  KeyF7 = 0x76,
  KeyF8 = 0x77,
};

struct MouseStateRecord {
  int x, y;  // frame pixels (0..639, 0..479 from the window), origin top-left, y down
  int left, middle, right;
};

// The keys the game reads as held "now" rather than from their events: a
// key the game asks IsKeyDown of must be one of them.
constexpr std::array<int, 13> InstantKeys = {KeyShift, KeySpace, KeyBackspace, Key0, KeyH, KeyF1, KeyF2,
                                             KeyF3,    KeyF4,    KeyF5,        KeyF6, KeyF7, KeyF8};

// The input state, listed as the game's state is (host/state_list.h).
// KeyState: 1 while the key is down, from key events.
// KeySample: the keys as the idle pass under way found them when it started
// (SampleKeys): the key table, with the instant keys as the host said.
using KeyTable = std::array<uint8_t, 256>;
#define VALDORIK_INPUT_STATE(X) \
  X(KeyTable, KeyState, {})     \
  X(KeyTable, KeySample, {})    \
  X(MouseStateRecord, MouseState, {})
VALDORIK_INPUT_STATE(VALDORIK_DECLARE_STATE)

// The key table's answer for any code; codes outside it are never down.
inline int KeyTableHeld(int key) { return key >= 0 && key < 256 ? KeyState[key] : 0; }
inline int SampledKeyHeld(int key) { return key >= 0 && key < 256 ? KeySample[key] : 0; }

// Once, as an idle pass starts: every query in the pass gets the same answer.
void SampleKeys();

// Whether a key is held, as the pass's sample has it; two separate
// queries, as the game reads them.
inline int IsKeyDown(int key) { return Host.key_held_now(key) ? 1 : 0; }
inline int IsKeyUp(int key) { return Host.key_held_now(key) ? 0 : 1; }

// Clears every key and button and puts the pointer at (0, 0).
void ResetInput();
