// The delay a message takes through valdorik-relay: one player's send to the
// other's receive, both players in this process on one clock. Run by hand
// against a relay already listening (docs/relay.md, "Measured"):
//   build/valdorik-relay --port 6473 --messages-per-second 1000000 &   (it sends faster than a game)
//   build/valdorik-relay-delay [HOST [PORT]] [--messages N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "relay_client.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string host = "127.0.0.1";
  uint16_t port = DefaultRelayPort;
  int messages = 20000;
};

// Each message waits for the one before it, so no queue forms: this is the
// delay of one message on a quiet line, the way a frame's input travels.
// The next message but for the seat's ticket, which follows Seated.
RelayReceipt NextBeyondTicket(RelayClient& player) {
  RelayReceipt receipt = player.Receive();
  const auto message = ReadRelayMessage(receipt.bytes);
  return message && message->kind == MessageKind::Ticket ? player.Receive() : receipt;
}

std::vector<double> DelaysInMicroseconds(const Options& options) {
  RelayClient host(options.host, options.port), guest(options.host, options.port);
  host.Send(OpenMessage());
  const auto seated = ReadRelayMessage(host.Receive().bytes);
  if (!seated || seated->kind != MessageKind::Seated) throw std::runtime_error("the relay opened no room");
  guest.Send(JoinMessage(seated->code));
  if (NextBeyondTicket(guest).what != RelayReceipt::What::Message || NextBeyondTicket(host).what != RelayReceipt::What::Message)
    throw std::runtime_error("the relay did not seat the friend");
  if (guest.Receive().what != RelayReceipt::What::Message) throw std::runtime_error("the friend got no ticket");

  const MessageBytes input(40, 0x5a);  // about a frame's input
  const int warm_up = 500;
  std::vector<double> delays;
  for (int i = 0; i < warm_up + options.messages; ++i) {
    RelayClient& from = i % 2 ? guest : host;
    RelayClient& to = i % 2 ? host : guest;
    const auto sent = Clock::now();
    from.Send(GameMessage(i % 2 ? Seat::Friend : Seat::Host, input));
    if (to.Receive().what != RelayReceipt::What::Message) throw std::runtime_error("a message was lost");
    if (i >= warm_up) delays.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
  }
  return delays;
}

double Percentile(const std::vector<double>& sorted, int percent) {
  return sorted[std::min(sorted.size() - 1, sorted.size() * size_t(percent) / 100)];
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  int place = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--messages") == 0 && i + 1 < argc) options.messages = std::max(1, std::atoi(argv[++i]));
    else if (place++ == 0) options.host = argv[i];
    else options.port = uint16_t(std::atoi(argv[i]));
  }
  try {
    std::vector<double> delays = DelaysInMicroseconds(options);
    std::sort(delays.begin(), delays.end());
    std::printf("%zu messages of 42 bytes through %s:%u, send to receive: p50 %.0f us, p99 %.0f us, max %.0f us\n",
                delays.size(), options.host.c_str(), options.port, Percentile(delays, 50), Percentile(delays, 99),
                delays.back());
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "valdorik-relay-delay: %s\n", failure.what());
    return 1;
  }
}
