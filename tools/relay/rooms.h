// The relay's rooms without the network: what a player's message or the end
// of a player's connection does to the rooms, given back as the messages to
// send, whether to close the sender, and the lines for the relay's log. The
// server (relay_server.cpp) only carries these out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "versus/relay_messages.h"

using ConnectionId = uint64_t;

struct Room {
  uint64_t number = 0;  // in the order opened: the log names rooms by it, never by their code
  std::array<std::optional<ConnectionId>, 2> seats{};  // by Seat
  bool friend_came = false;  // a friend seat once taken stays the friend's
  uint64_t passed_messages = 0, passed_bytes = 0;  // the game messages passed on, told when it closes
};

struct Rooms {
  size_t most_rooms = 1000;
  uint64_t rooms_opened = 0;
  std::map<std::string, Room> by_code{};
  std::map<ConnectionId, std::pair<std::string, Seat>> seat_of{};  // the room's code and the seat
};

enum class Closing { AfterRefusal, Malformed };

struct RelayActions {
  std::vector<std::pair<ConnectionId, MessageBytes>> sends{};  // in order, before any close
  std::optional<Closing> close_sender{};
  std::vector<std::string> log{};
};

// A whole WebSocket message from `from`; `binary` is false for a text message.
RelayActions OnMessage(Rooms& rooms, ConnectionId from, std::span<const uint8_t> bytes, bool binary);
// `who` is gone: its friend is told, and a room left empty closes. Nothing
// for a connection that had no seat (or was already gone).
RelayActions OnGone(Rooms& rooms, ConnectionId who, Departure how);
