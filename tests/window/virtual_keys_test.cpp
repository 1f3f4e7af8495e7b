#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include <SDL_keyboard.h>

#include "host/input.h"
#include "platform/sdl/virtual_keys.h"

namespace {

TEST(VirtualKeys, TheGamesKeysArriveUnderTheirCodes) {
  const std::pair<SDL_Keycode, int> keys[] = {
      {SDLK_BACKSPACE, KeyBackspace}, {SDLK_LSHIFT, KeyShift},   {SDLK_RSHIFT, KeyShift},
      {SDLK_ESCAPE, KeyEscape},       {SDLK_SPACE, KeySpace},    {SDLK_PAGEUP, KeyPageUp},
      {SDLK_PAGEDOWN, KeyPageDown},   {SDLK_LEFT, KeyLeft},      {SDLK_UP, KeyUp},
      {SDLK_RIGHT, KeyRight},         {SDLK_DOWN, KeyDown},      {SDLK_0, Key0},
      {SDLK_e, KeyE},                 {SDLK_h, KeyH},            {SDLK_m, KeyM},
      {SDLK_F1, KeyF1},               {SDLK_F2, KeyF2},          {SDLK_F3, KeyF3},
      {SDLK_F4, KeyF4},               {SDLK_F5, KeyF5},          {SDLK_F6, KeyF6},
      {SDLK_F7, KeyF7},               {SDLK_F8, KeyF8},
  };
  for (const auto& [sdl, vk] : keys) EXPECT_EQ(VirtualKeyFromSdl(sdl), vk) << SDL_GetKeyName(sdl);
}

// Distinct keys must not share a code, or one would be taken for the other;
// only the pairs that Windows itself reports as one key may.
TEST(VirtualKeys, DistinctKeysGetDistinctCodes) {
  std::set<SDL_Keycode> candidates;
  for (SDL_Keycode c = 0; c < 128; ++c) candidates.insert(c);
  for (int s = 0; s < SDL_NUM_SCANCODES; ++s) candidates.insert(SDL_SCANCODE_TO_KEYCODE(s));
  std::map<int, std::vector<SDL_Keycode>> by_code;
  for (SDL_Keycode key : candidates) {
    const int code = VirtualKeyFromSdl(key);
    if (code == -1) continue;
    EXPECT_TRUE(code > 0 && code < 256) << SDL_GetKeyName(key) << " gives " << code;
    by_code[code].push_back(key);
  }
  const std::set<std::set<SDL_Keycode>> shared = {
      {SDLK_LSHIFT, SDLK_RSHIFT}, {SDLK_LCTRL, SDLK_RCTRL},
      {SDLK_LALT, SDLK_RALT},     {SDLK_RETURN, SDLK_KP_ENTER}};
  for (const auto& [code, keys] : by_code) {
    if (keys.size() < 2) continue;
    EXPECT_TRUE(shared.count(std::set<SDL_Keycode>(keys.begin(), keys.end())))
        << "code " << code << " is shared by " << keys.size() << " keys, first "
        << SDL_GetKeyName(keys[0]);
  }
  EXPECT_EQ(by_code.count('A'), 1u);  // letters and digits keep their ASCII code
  EXPECT_EQ(by_code.count('9'), 1u);
}

}  // namespace
