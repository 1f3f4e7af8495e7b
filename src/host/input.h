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

// Windows virtual-key codes used by the game, listed once as X(name, code)
// rows: each is the enumerator Key<name>, and the browser page names the key
// by <name> (WebKeyCodes).
#define VALDORIK_VIRTUAL_KEYS(X) \
  X(Backspace, 0x08)             \
  X(Shift, 0x10)                 \
  X(Pause, 0x13)                 \
  X(Escape, 0x1B)                \
  X(Space, 0x20)                 \
  X(PageUp, 0x21)                \
  X(PageDown, 0x22)              \
  X(Left, 0x25)                  \
  X(Up, 0x26)                    \
  X(Right, 0x27)                 \
  X(Down, 0x28)                  \
  X(0, 0x30)                     \
  X(E, 0x45)                     \
  X(H, 0x48)                     \
  X(M, 0x4D)                     \
  X(P, 0x50)                     \
  X(F1, 0x70)                    \
  X(F2, 0x71)                    \
  X(F3, 0x72)                    \
  X(F4, 0x73)                    \
  X(F5, 0x74)                    \
  X(F6, 0x75)                    \
  X(F7, 0x76)                    \
  X(F8, 0x77)
#define VALDORIK_VIRTUAL_KEY_ENUMERATOR(name, code) Key##name = code,
enum VirtualKey : int { VALDORIK_VIRTUAL_KEYS(VALDORIK_VIRTUAL_KEY_ENUMERATOR) };
#undef VALDORIK_VIRTUAL_KEY_ENUMERATOR

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
