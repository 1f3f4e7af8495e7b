// One player's input to one turn of a versus game: what the window gave
// the game since the turn before (keys, pointer, buttons) and which of the
// instant keys were held as the turn began. It travels to the other player
// and into the replay in the same bytes, so both games run it alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "host/host.h"

struct TurnInput {
  std::vector<HostEvent> events;
  uint16_t instant_keys = 0;  // bit i: InstantKeys[i] held
  bool operator==(const TurnInput&) const = default;
};

// A turn holds at most this many events; more wait for the next turn.
constexpr size_t MaxTurnEvents = 128;

// The events a player's turn carries: keys, pointer and buttons. The
// window's own (size, activation, close) stay with the window.
bool IsTurnEvent(EventKind kind);

// Unsigned LEB128, at most 5 bytes; the reader refuses a number above `max`.
void PutVarint(std::vector<uint8_t>& out, uint64_t value);
bool GetVarint(std::span<const uint8_t> bytes, size_t& pos, uint64_t max, uint64_t& value);

void AppendTurnInput(const TurnInput& input, std::vector<uint8_t>& out);
// Reads one input from `pos` on, and moves `pos` past it; false when the
// bytes are not one (an event of a kind that does not travel, a field out
// of range, too many events, the bytes running out).
bool ReadTurnInput(std::span<const uint8_t> bytes, size_t& pos, TurnInput& input);
