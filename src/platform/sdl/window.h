// The SDL window's own calls beyond the backend contract (backend.h).
#pragma once

#include "platform/backend.h"

// SwitchFullscreen (backend.h): between the window and the whole screen (in
// the desktop's own mode); the new choice is kept for the next game.
// The top-left corner under the pointer, the window WindowScale times the
// frame; nothing while the window covers the screen.
void MoveGameWindowToPointer();
