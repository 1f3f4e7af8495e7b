// The SDL backend's host (backend.h) for the benchmarks and tests that
// drive the real window in-process.
#pragma once

#include <cstdint>

#include "platform/backend.h"

// BackendHost() with the clock fixed at `seed` and no sound, so
// that what is drawn is the same on every run.
GameHost SdlHostWithFixedClock(uint32_t seed);
