// valdorik-relay's server: rooms for versus games over WebSocket (Boost.Beast
// on Boost.Asio, kept in relay_server.cpp alone, as it compiles slowly).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "rooms.h"
#include "versus/relay_messages.h"

struct RelayOptions {
  uint16_t port = DefaultRelayPort;  // 0: any free port (the first line names it)
  size_t max_message = 4096;  // bytes; a larger message closes its connection
  // From the connection's opening to its WebSocket handshake (or its one
  // HTTP request) being read whole; slower ones are cut off.
  std::chrono::seconds handshake_time{10};
  // A player's line silent half this long is pinged, and dropped once it
  // has been silent this long.
  std::chrono::seconds idle_time{15};
  RelayLimits limits{};
};

// A connection that has this many messages waiting for it is not reading
// them: it is cut off rather than let it hold the relay's memory.
constexpr size_t MostWaitingMessages = 256;

// The WebSocket close codes the relay's own limits end a connection with
// (from the range kept for applications; the rest are the standard ones:
// 1000 after a refusal, 1008 for a message out of protocol, 1009 too large).
constexpr uint16_t TooFastCloseCode = 4029;  // more messages a second than allowed
constexpr uint16_t ExpiredCloseCode = 4008;  // the room was idle past its limit

// Serves rooms on every IPv4 address until SIGINT or SIGTERM. The first line
// on `out` names the port; then one line per room opened and closed. An HTTP
// GET of /health on the same port answers "ok N rooms". Returns the exit
// status: 0 when stopped, 1 when it cannot listen (said on `err`).
int RunRelay(const RelayOptions& options, std::ostream& out, std::ostream& err);
