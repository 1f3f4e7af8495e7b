#include "platform/input.h"

#include <cstring>

uint8_t KeyState[256] = {};
MouseStateRecord MouseState = {};

namespace {
int KeyStateQuery(int key) { return key >= 0 && key < 256 ? KeyState[key] : 0; }
}  // namespace

int (*AsyncKeyQuery)(int key) = KeyStateQuery;

void ResetInput() {
  std::memset(KeyState, 0, sizeof KeyState);
  MouseState = {};
  AsyncKeyQuery = KeyStateQuery;
}
