// The game's host on SDL and OpenGL.
#pragma once

#include "host/host.h"

GameHost SdlHost();

// The same with the clock fixed at `seed`, no sleeps and no sound, so that
// what is drawn is the same on every run: for benchmarks and tests.
GameHost SdlHostWithFixedClock(uint32_t seed);
