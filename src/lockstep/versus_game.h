// A versus game: a person plays empire 1 where the computer did. Both
// players' games run these rules, turn by turn, on the same inputs; the
// one-player game's rules are the same functions, called for each player.
// Each player's view and the versus game's own rows are in rules/versus_state.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "host/host.h"
#include "host/input.h"
#include "rules/versus_state.h"
#include "lockstep/turn_input.h"


// The host for the rules in a versus game: `inner` draws, presents and
// plays sounds; the keys are the turn's sample and the clock is the seed.
GameHost VersusHost(const GameHost& inner);

// A new versus game with the host's seed; the globals show `view_seat`'s view.
void StartVersusGame(uint32_t seed, int view_seat);
// One turn: each seat's input into its view, then the frame's rules for
// both players. A turn in which a player pressed Escape ends the game (LeftBy).
void RunVersusTurn(const std::array<TurnInput, SeatCount>& inputs);
// The seat's player is gone: the computer plays the seat from the next turn.
void HandOverToComputer(int seat);
// Puts the seat's view in the globals.
void ShowView(int seat);
bool IsVersusOver();  // a player has left

// The state after `turn` turns as one line: the one-player dump with seat 0's
// view, then seat 1's view and the versus rows.
void AppendVersusDump(int64_t turn, std::string& out);
// A hash of everything the turns change: the dump, the keys, buttons and
// pointers of both seats, the random generator.
uint64_t VersusStateHash();
