// The way in for input, the same for every backend: a backend turns what
// its window system says into calls here, and its poll_event takes the
// game's events from this queue. What every backend needs is done here once:
// - A press and its release that come in together (a key or a click shorter
//   than a frame, a tap) would reach the game in one go, and no frame would
//   see the key or button held. A release is therefore taken only once the
//   loop has had an idle pass since it took the press, and until then the
//   key's instant answer stays held.
// - Alt+Enter switches fullscreen (the backend's SwitchFullscreen); the
//   game never hears that Return, nor its release once Alt is up.
// - When the window loses the keyboard, every key it said was down goes up:
//   the window system sends no key-up to a window that lost the keyboard.
// - A Close or Quit waiting in the queue cuts the driver's wait short.
// The key codes are the game's (Windows virtual-key codes, host/input.h).
#pragma once

#include "host/host.h"

void QueueEvent(const HostEvent& event);
// A key from the window system: `alt` while Alt is held, `repeated` for the
// window's auto-repeat of a key already down.
void QueueKey(int code, bool down, bool alt = false, bool repeated = false);
void QueueButton(int button, bool down);
void LetGoOfKeys();  // the keyboard went elsewhere

// The next event the game may take; false when none may be taken now (an
// idle pass follows).
bool TakeQueuedEvent(HostEvent& event);
// Whether the key's release waits until a frame has seen it held.
bool HeldUntilTaken(int key);
// Whether a Close or Quit waits: the game should take it at once.
bool EndWaiting();
// The queue empty and every key and button let go, for a new game run.
void ForgetQueuedEvents();
