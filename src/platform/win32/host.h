// The Win32 window's own calls beyond the backend contract (backend.h).
#pragma once

#include <windows.h>

#include "platform/backend.h"

// The window procedure of the class "OpenGL". It changes no game state: it
// turns the window's messages into HostEvents in the event queue
// (event_queue.h), which the host's poll_event hands to the loop.
LRESULT CALLBACK GameWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The window moved onto a display of another scaling (WM_DPICHANGED, with
// the place Windows suggests): as large to the eye there, in whole multiples
// of the frame that fit the display.
void FollowDisplayScaling(const RECT& suggested);

// The start sound through PlaySound; StopWin32Sound cuts off one still playing.
void PlayWin32Sound(const char* path);
void StopWin32Sound();

// SwitchFullscreen (backend.h): between the window and the whole screen (in
// the desktop's own mode); the new choice is kept for the next game.
// The top-left corner under the pointer, the window WindowScale times the
// frame; nothing while the window covers the screen.
void MoveGameWindowToPointer();
