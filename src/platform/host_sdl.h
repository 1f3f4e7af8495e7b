// The game's host on SDL and OpenGL.
#pragma once

#include "loop/host.h"

GameHost SdlHost();

// Takes SDL's next event that the game sees; false when none waits.
bool PollSdlEvent(HostEvent& event);
