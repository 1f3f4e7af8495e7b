// The SDL window's own calls beyond the backend contract (backend.h).
#pragma once

#include "platform/backend.h"

// Alt+Enter: between the window and the whole screen (in the desktop's own
// mode); the new choice is kept for the next game.
void SwitchFullscreen();
// The presentation pacing again, once the window is on another display.
void CheckPresentPacing();
// The top-left corner under the pointer, the window WindowScale times the
// frame; nothing while the window covers the screen.
void MoveGameWindowToPointer();
