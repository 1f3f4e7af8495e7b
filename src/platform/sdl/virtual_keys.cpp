#include "platform/sdl/virtual_keys.h"

#include <SDL.h>

namespace {

struct KeyPair {
  SDL_Keycode sdl;
  int vk;
};

// Everything except letters, digits and function keys, which run in blocks.
constexpr KeyPair NamedKeys[] = {
    {SDLK_BACKSPACE, 0x08},    {SDLK_TAB, 0x09},          {SDLK_CLEAR, 0x0C},
    {SDLK_RETURN, 0x0D},       {SDLK_KP_ENTER, 0x0D},     {SDLK_LSHIFT, 0x10},
    {SDLK_RSHIFT, 0x10},       {SDLK_LCTRL, 0x11},        {SDLK_RCTRL, 0x11},
    {SDLK_LALT, 0x12},         {SDLK_RALT, 0x12},         {SDLK_PAUSE, 0x13},
    {SDLK_CAPSLOCK, 0x14},     {SDLK_ESCAPE, 0x1B},       {SDLK_SPACE, 0x20},
    {SDLK_PAGEUP, 0x21},       {SDLK_PAGEDOWN, 0x22},     {SDLK_END, 0x23},
    {SDLK_HOME, 0x24},         {SDLK_LEFT, 0x25},         {SDLK_UP, 0x26},
    {SDLK_RIGHT, 0x27},        {SDLK_DOWN, 0x28},         {SDLK_SELECT, 0x29},
    {SDLK_EXECUTE, 0x2B},      {SDLK_PRINTSCREEN, 0x2C},  {SDLK_INSERT, 0x2D},
    {SDLK_DELETE, 0x2E},       {SDLK_HELP, 0x2F},         {SDLK_LGUI, 0x5B},
    {SDLK_RGUI, 0x5C},         {SDLK_APPLICATION, 0x5D},  {SDLK_SLEEP, 0x5F},
    {SDLK_KP_0, 0x60},         {SDLK_KP_1, 0x61},         {SDLK_KP_2, 0x62},
    {SDLK_KP_3, 0x63},         {SDLK_KP_4, 0x64},         {SDLK_KP_5, 0x65},
    {SDLK_KP_6, 0x66},         {SDLK_KP_7, 0x67},         {SDLK_KP_8, 0x68},
    {SDLK_KP_9, 0x69},         {SDLK_KP_MULTIPLY, 0x6A},  {SDLK_KP_PLUS, 0x6B},
    {SDLK_KP_COMMA, 0x6C},     {SDLK_KP_MINUS, 0x6D},     {SDLK_KP_PERIOD, 0x6E},
    {SDLK_KP_DIVIDE, 0x6F},    {SDLK_NUMLOCKCLEAR, 0x90}, {SDLK_SCROLLLOCK, 0x91},
    {SDLK_SEMICOLON, 0xBA},    {SDLK_EQUALS, 0xBB},       {SDLK_COMMA, 0xBC},
    {SDLK_MINUS, 0xBD},        {SDLK_PERIOD, 0xBE},       {SDLK_SLASH, 0xBF},
    {SDLK_BACKQUOTE, 0xC0},    {SDLK_LEFTBRACKET, 0xDB},  {SDLK_BACKSLASH, 0xDC},
    {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
};

constexpr int VkA = 0x41, VkDigit0 = 0x30, VkF1 = 0x70, VkF13 = 0x7C;

}  // namespace

int VirtualKeyFromSdl(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return VkA + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return VkDigit0 + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VkF1 + (key - SDLK_F1);
  if (key >= SDLK_F13 && key <= SDLK_F24) return VkF13 + (key - SDLK_F13);
  for (const KeyPair& pair : NamedKeys)
    if (pair.sdl == key) return pair.vk;
  return -1;
}

int SdlKeyHeldNow(int virtual_key) {
  // Either key of a pair answers for Shift, Ctrl and Alt.
  switch (virtual_key) {
    case 0x10: return (SDL_GetModState() & KMOD_SHIFT) ? 1 : 0;
    case 0x11: return (SDL_GetModState() & KMOD_CTRL) ? 1 : 0;
    case 0x12: return (SDL_GetModState() & KMOD_ALT) ? 1 : 0;
  }
  // Any held key whose code is the one asked for: the exact inverse of the
  // mapping, whatever the keyboard layout.
  int count = 0;
  const Uint8* keyboard = SDL_GetKeyboardState(&count);
  for (int scancode = 0; scancode < count; ++scancode) {
    if (keyboard[scancode] &&
        VirtualKeyFromSdl(SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scancode))) == virtual_key)
      return 1;
  }
  return 0;
}
