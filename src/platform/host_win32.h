// The game's host on Win32 and WGL.
#pragma once

#include <windows.h>

#include "host/host.h"

GameHost Win32Host();

// The window procedure of the class "OpenGL". It changes no game state: it
// turns the window's messages into HostEvents, queued for the host's
// poll_event, which hands them to the loop's HandleHostEvent.
LRESULT CALLBACK GameWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Pacing set again when the window has moved onto another display (the
// window procedure's WM_MOVE); WM_DISPLAYCHANGE sets it again in any case.
void CheckPresentPacingOnMonitorChange();

// The window moved onto a display of another scaling (WM_DPICHANGED, with
// the place Windows suggests): as large to the eye there, in whole multiples
// of the frame that fit the display.
void FollowDisplayScaling(const RECT& suggested);

// The start sound through PlaySound; StopWin32Sound cuts off one still playing.
void PlayWin32Sound(const char* path);
void StopWin32Sound();
