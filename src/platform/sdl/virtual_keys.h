// SDL key codes to Windows virtual-key codes, the numbering of KeyState.
#pragma once

#include <SDL_keycode.h>

// The virtual-key code of an SDL key, or -1 for a key the game's table
// does not know. Both keys of a left/right pair (Shift, Ctrl, Alt) give
// the one shared code, as Windows reports them.
int VirtualKeyFromSdl(SDL_Keycode key);

// Whether the key with this virtual-key code is held at this instant.
int SdlKeyHeldNow(int virtual_key);
