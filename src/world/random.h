// The game's one random generator: the classic linear congruential rand().
#pragma once

#include <cstdint>

#include "host/state_list.h"

// The generator's state, listed as the game's state is (host/state_list.h).
#define VALDORIK_RANDOM_STATE(X) X(uint32_t, RandomState, 1)
VALDORIK_RANDOM_STATE(VALDORIK_DECLARE_STATE)

inline void SeedRandom(uint32_t seed) { RandomState = seed; }

// Next draw, 0..32767.
inline int DrawRandom() {
  RandomState = RandomState * 214013u + 2531011u;
  return static_cast<int>((RandomState >> 16) & 0x7FFF);
}

// "A draw r mod N": the next draw taken modulo n.
inline int DrawMod(int n) { return DrawRandom() % n; }
