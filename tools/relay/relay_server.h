// valdorik-relay's server: rooms for versus games over WebSocket (Boost.Beast
// on Boost.Asio, kept in relay_server.cpp alone, as it compiles slowly).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "versus/relay_messages.h"

struct RelayOptions {
  uint16_t port = DefaultRelayPort;  // 0: any free port (the first line names it)
  size_t max_message = 4096;  // bytes; a larger message closes its connection
  size_t max_rooms = 1000;  // more are refused
};

// A connection that has this many messages waiting for it is not reading
// them: it is cut off rather than let it hold the relay's memory.
constexpr size_t MostWaitingMessages = 256;

// Serves rooms on every IPv4 address until SIGINT or SIGTERM. The first line
// on `out` names the port; then one line per room opened and closed. Returns
// the exit status: 0 when stopped, 1 when it cannot listen (said on `err`).
int RunRelay(const RelayOptions& options, std::ostream& out, std::ostream& err);
