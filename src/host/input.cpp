#include "host/input.h"

#include <cstring>

uint8_t KeyState[256] = {};
MouseStateRecord MouseState = {};

void ResetInput() {
  std::memset(KeyState, 0, sizeof KeyState);
  MouseState = {};
}
