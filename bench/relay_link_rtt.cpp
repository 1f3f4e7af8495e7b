// The round trip of a message on the game's own relay link: the link sends,
// the friend (the tests' blocking client, in this process) answers at once,
// and the link takes the answer, both hops through a running relay. The link
// is polled without pause here, so this is the line's and the link's own
// time; in the game a poll comes once a step, which adds up to one step
// (~16 ms) on the way back. Run by hand:
//   build/valdorik-relay --port 6473 &
//   build/valdorik-relay-link-rtt [HOST [PORT]] [--messages N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/net/relay_link.h"
#include "relay_client.h"

namespace {

using Clock = std::chrono::steady_clock;

MessageBytes LinkTakes() {
  MessageBytes message;
  while (!TakeRelayLinkMessage(message)) {
    if (RelayLinkState() == LinkState::Closed) throw std::runtime_error("the link closed: " + RelayLinkProblem());
    PollRelayLink();
  }
  return message;
}

// The friend's next message. Its wait ends as the message comes; the link
// is polled between waits, in case its write has not gone yet.
MessageBytes FriendTakes(RelayClient& guest) {
  for (const auto deadline = Clock::now() + std::chrono::seconds(5); Clock::now() < deadline;) {
    PollRelayLink();
    RelayReceipt receipt = guest.Receive(std::chrono::milliseconds(1));
    if (receipt.what == RelayReceipt::What::Message) return receipt.bytes;
    if (receipt.what == RelayReceipt::What::Closed) break;
  }
  throw std::runtime_error("the friend heard nothing");
}

std::vector<double> RoundTripsInMicroseconds(const std::string& host, uint16_t port, int messages) {
  StartRelayLink(host, port);
  SendOnRelayLink(OpenMessage());
  const auto seated = ReadRelayMessage(LinkTakes());
  if (!seated || seated->kind != MessageKind::Seated) throw std::runtime_error("the relay opened no room");
  RelayClient guest(host, port);
  guest.Send(JoinMessage(seated->code));
  FriendTakes(guest);
  LinkTakes();  // FriendJoined

  const MessageBytes input(40, 0x5a);  // about a frame's input
  const int warm_up = 500;
  std::vector<double> trips;
  for (int i = 0; i < warm_up + messages; ++i) {
    const auto sent = Clock::now();
    SendOnRelayLink(GameMessage(Seat::Host, input));
    FriendTakes(guest);
    guest.Send(GameMessage(Seat::Friend, input));
    LinkTakes();
    if (i >= warm_up) trips.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
  }
  CloseRelayLink();
  return trips;
}

double Percentile(const std::vector<double>& sorted, int percent) {
  return sorted[std::min(sorted.size() - 1, sorted.size() * size_t(percent) / 100)];
}

}  // namespace

int main(int argc, char** argv) {
  std::string host = "127.0.0.1";
  uint16_t port = DefaultRelayPort;
  int messages = 20000, place = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--messages") == 0 && i + 1 < argc) messages = std::max(1, std::atoi(argv[++i]));
    else if (place++ == 0) host = argv[i];
    else port = uint16_t(std::atoi(argv[i]));
  }
  try {
    std::vector<double> trips = RoundTripsInMicroseconds(host, port, messages);
    std::sort(trips.begin(), trips.end());
    std::printf("%zu round trips of 42-byte messages on the link through %s:%u: p50 %.0f us, p99 %.0f us, max %.0f us\n",
                trips.size(), host.c_str(), port, Percentile(trips, 50), Percentile(trips, 99), trips.back());
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "valdorik-relay-link-rtt: %s\n", failure.what());
    return 1;
  }
}
