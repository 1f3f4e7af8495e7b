// The game's connection to the relay for versus games (docs/relay.md): one
// per process, like the rest of the game's state. The platform's loop steps
// the game every ~16 ms and must never wait on the network, so nothing here
// blocks: StartRelayLink only begins the work, and each PollRelayLink runs
// whatever the network has ready. No Boost in this header; it stays in
// beast_link.cpp, which compiles slowly.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "versus/relay_messages.h"

enum class LinkState { Connecting, Open, Closed };

// Begins resolving and connecting to ws://host:port/ and returns at once.
// A link still Connecting or Open is dropped without a close, with any
// messages it held that were not taken.
void StartRelayLink(const std::string& host, uint16_t port);
// Runs what the network has ready; never waits.
void PollRelayLink();
// One binary message. Sent in order behind any still under way (messages
// sent while Connecting go once the line is open); dropped when the link is
// closing or Closed.
void SendOnRelayLink(std::span<const uint8_t> message);
// The next message received, in order; false when none is waiting. Messages
// that came before a close are still taken after it.
bool TakeRelayLinkMessage(MessageBytes& message);
LinkState RelayLinkState();
// Why the link closed, in plain words ("cannot reach 127.0.0.1:6473:
// Connection refused"); empty while it is up and after a clean close.
const std::string& RelayLinkProblem();
// Begins a clean WebSocket close once the messages already sent are
// written; later polls finish it. While Connecting, it gives up at once.
void CloseRelayLink();
