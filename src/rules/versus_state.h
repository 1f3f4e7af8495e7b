// The state of a versus game, where a person plays empire 1 too: each
// player's view of their own, and the rows only two players need. Listed as
// the game's state is, so that the snapshot and the reset cover them.
//
// Each player has a view of their own: the rows of VALDORIK_PLAYER_VIEW,
// which the rules and the drawing read as the globals of the same names.
// The globals hold one player's view at a time (ViewSeat); the other waits
// in SeatViews.
#pragma once

#include <array>
#include <cstdint>

#include "host/input.h"
#include "host/state_list.h"

constexpr int SeatCount = 2;  // seat N plays empire N

#define VALDORIK_PLAYER_VIEW(X)                   \
  X(int, map_sx) X(int, map_sy) X(int, map_ex)    \
  X(int, map_ey) X(int, selected_unit)            \
  X(float, UnitSize) X(int, HelpVisible)          \
  X(float, CameraZoom) X(float, CameraTilt)       \
  X(float, CameraTurn) X(float, CameraSpin)       \
  X(KeyTable, KeyState) X(KeyTable, KeySample)    \
  X(MouseStateRecord, MouseState)

struct PlayerView {
#define VALDORIK_VIEW_MEMBER(type, name) type name{};
  VALDORIK_PLAYER_VIEW(VALDORIK_VIEW_MEMBER)
#undef VALDORIK_VIEW_MEMBER
};

using SeatFlags = std::array<uint8_t, SeatCount>;
using SeatViewArray = std::array<PlayerView, SeatCount>;
using SeatCounts = std::array<int32_t, SeatCount>;

// The versus game's own state, listed as the game's state is.
// VersusPlaying: a versus game runs (the one-player game never sets it).
// ViewSeat: whose view the globals hold.
// PlayedBy: 1 while a person plays the seat; 0 once the computer has taken it over.
// NewGameAsked: the seat's player has pressed F1; a new game needs both.
// PausedBy, LeftBy: the seat that last paused, and the one that left (-1: none).
// VersusSeed: the host's seed; each new game takes the next number.
// ViewKeysResting: turns in which the seat's view keys rest after a scroll
// step, H or E (the one-player game pauses whole for them instead).
#define VALDORIK_VERSUS_STATE(X)                         \
  X(bool, VersusPlaying, false)                          \
  X(int, ViewSeat, 0)                                    \
  X(int64_t, VersusTurn, 0)                              \
  X(SeatFlags, PlayedBy, (SeatFlags{1, 1}))              \
  X(SeatFlags, NewGameAsked, {})                         \
  X(int, PausedBy, -1)                                   \
  X(int, LeftBy, -1)                                     \
  X(uint32_t, VersusSeed, 0)                             \
  X(uint32_t, VersusGames, 0)                            \
  X(SeatViewArray, SeatViews, {})                        \
  X(SeatCounts, ViewKeysResting, {})
VALDORIK_VERSUS_STATE(VALDORIK_DECLARE_STATE)
