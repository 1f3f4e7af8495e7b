// A blocking client of the relay, for the tests and the delay bench: it
// connects, sends whole messages and waits for the next one. (The game's
// own client must never block; it comes with the game's side of versus.)
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "versus/relay_messages.h"

struct RelayReceipt {
  enum class What { Message, Closed, TimedOut } what = What::TimedOut;
  MessageBytes bytes{};  // Message
  int close_code = 0;  // Closed: the code of the relay's close frame, 0 when none came
};

class RelayClient {
 public:
  // Connects and shakes hands; throws std::runtime_error saying what failed.
  RelayClient(const std::string& host, uint16_t port);
  ~RelayClient();  // without a close: the relay sees the line drop
  RelayClient(const RelayClient&) = delete;
  RelayClient& operator=(const RelayClient&) = delete;

  // Throws std::runtime_error when the message cannot be written.
  void Send(std::span<const uint8_t> bytes, bool binary = true);
  // The next message, or the close. A wait that times out goes on in the next call.
  RelayReceipt Receive(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // A clean WebSocket close, waited for up to a few seconds.
  void Close();

 private:
  struct Line;
  std::unique_ptr<Line> line_;
};
