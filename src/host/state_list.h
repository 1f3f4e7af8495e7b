// The game's process-wide state is listed once per module, as a table of
// X(type, name, value at load) rows (VALDORIK_WORLD_GLOBALS and its kin).
// These expand a row into what the module needs from it: the extern
// declaration, the definition, and the reset to the load value. The load
// value must be a constant, so every row is constant-initialised: it holds
// its load value before any code of the program runs.
#pragma once

#define VALDORIK_DECLARE_STATE(type, name, initial) extern type name;
#define VALDORIK_DEFINE_STATE(type, name, initial) constinit type name = initial;
#define VALDORIK_RESET_STATE(type, name, initial) name = initial;
