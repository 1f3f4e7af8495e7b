// Lockstep: both players' games run turn N only once both inputs to turn N
// are in. A player's input is scheduled InputDelay turns ahead, so that it
// has that long to cross the network before the turn is due. Every
// HashEveryTurns turns each game sends a hash of its state; a hash that
// differs from our own means the games have fallen out of step, and both
// players are told at which turn. The engine never waits: the caller asks
// it for a turn when one is due and draws a waiting frame when none runs.
// No networking here; the caller's `send` carries the payloads.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/host.h"
#include "lockstep/versus_game.h"

// Five turns (83 ms) hide a one-way trip of up to about 50 ms (a round trip
// of 100 ms through the relay) once inputs going three to a message have
// waited their turns: a player's own orders take that long to act, which is
// short of what a player notices in a strategy game.
constexpr int InputDelay = 5;
constexpr int HashEveryTurns = 60;
constexpr double PingEveryMs = 1000.0;
constexpr int KeptDumps = 2 * HashEveryTurns + 1;  // back to the last hash both games agreed on
// The other game is at most InputDelay + 1 turns behind ours (we ran no turn
// it had not sent its input to): it may lack any of our last inputs up to
// that, and the ones we have made but not sent yet.
constexpr size_t KeptInputs = 2 * InputDelay + 4;

using SendToPeer = void (*)(std::span<const uint8_t> payload);

// A new game's lockstep, with the versus game started on the host's seed.
void BeginLockstep(int local_seat, uint32_t seed, SendToPeer send);
// An event the local window gave: it goes into the player's next input.
void AddLocalEvent(const HostEvent& event);
// Runs the next turn when both inputs are in, and says whether it ran. The
// local player's input to the turn InputDelay ahead is made and sent first
// (once), with `instant_keys` as the local sample.
bool TryNextTurn(uint16_t instant_keys);
// A payload from the other player; anything malformed or out of place is dropped.
void TakePeerPayload(std::span<const uint8_t> payload, double now_ms);
// Pings the other player when one is due.
void PingPeer(double now_ms);
// The other player is back after a dropped line (theirs or ours): our
// inputs they may have missed go again; the ones they have are ignored.
void ResendRecentInputs();
// The other player is gone: their turns already in still run, and the
// computer plays their side from the first turn without one.
void PeerGone();

struct LockstepStatus {
  bool waiting = false;       // the last try found the other input missing
  bool peer_gone = false;
  int64_t desync_turn = -1;   // the first turn whose hashes differed
  double round_trip_ms = -1;  // the last ping's, -1 before the first
  std::string report;         // where the desync report was written
};
const LockstepStatus& Lockstep();

// What the frame says of the connection (the room, waiting, the round
// trip, a friend gone, a desync), set by whoever runs the link; the HUD
// shows it at the bottom.
extern std::string ConnectionWords;

// Where the desync report goes: the replay's path without its extension,
// or empty for none. The report names the turn, holds the state dumps of
// the turns before it, and beside it the replay up to there.
void SetDesyncReportStem(const std::string& stem);
// For the tests of the desync detection: the local state is bent after this
// many turns (a gold piece more in empire 0's treasury). Turns are counted
// as the dumps count them, from 1.
void PlantDivergence(int64_t turn);
