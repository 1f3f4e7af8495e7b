// The relay's rooms without the network: what a player's message, the end
// of a player's connection or the passing of time does to the rooms, given
// back as the messages to send, the connections to close, and the lines for
// the relay's log. Time is handed in, never read, so that tests and the fuzzer
// drive the limits without waiting. The server (relay_server.cpp) only carries
// these out.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "versus/relay_messages.h"

using ConnectionId = uint64_t;
using RelayTime = std::chrono::steady_clock::time_point;

struct RelayLimits {
  size_t most_rooms = 1000;
  size_t rooms_per_address = 8;  // open at once by hosts from one address
  // A game sends about 23 a second; a catching-up game may burst above it.
  uint32_t messages_per_second = 300;
  std::chrono::seconds waiting_time{600};  // a host alone, before any friend came
  std::chrono::seconds quiet_time{300};  // a room with its friend, and no game message
  char name = 0;  // the first letter of every code this relay hands out; 0 for none
};

struct Room {
  uint64_t number = 0;  // in the order opened: the log names rooms by it, never by their code
  std::array<std::optional<ConnectionId>, 2> seats{};  // by Seat
  bool friend_came = false;  // a friend seat once taken stays the friend's
  std::array<uint64_t, 2> tickets{};  // by Seat: what takes the seat back after its line dropped
  uint64_t passed_messages = 0, passed_bytes = 0;  // the game messages passed on, told when it closes
  std::string host_address{};
  RelayTime opened{}, last_game{};  // last_game: the last game message, or the friend's coming
};

// The messages a connection sent in the second that began at `began`.
struct Meter {
  RelayTime began{};
  uint32_t messages = 0;
};

struct Rooms {
  RelayLimits limits{};
  uint64_t rooms_opened = 0;
  std::map<std::string, Room> by_code{};
  std::map<ConnectionId, std::pair<std::string, Seat>> seat_of{};  // the room's code and the seat
  std::map<std::string, size_t> rooms_of_address{};
  std::map<ConnectionId, Meter> meters{};
};

enum class Closing { AfterRefusal, Malformed, TooFast, Expired };

struct RelayActions {
  std::vector<std::pair<ConnectionId, MessageBytes>> sends{};  // in order, before any close
  std::vector<std::pair<ConnectionId, Closing>> closes{};  // each after what is sent to it
  std::vector<std::string> log{};
};

// A whole WebSocket message; `binary` is false for a text message.
struct Received {
  ConnectionId from = 0;
  std::string_view address{};  // the sender's IP address
  std::span<const uint8_t> bytes{};
  bool binary = true;
  RelayTime now{};
};

RelayActions OnMessage(Rooms& rooms, const Received& message);
// `who` is gone: its friend is told, and a room left empty closes. Nothing
// for a connection that had no seat (or was already gone).
RelayActions OnGone(Rooms& rooms, ConnectionId who, Departure how);
// Rooms idle past their limit close, their players' connections with them.
RelayActions OnTick(Rooms& rooms, RelayTime now);
