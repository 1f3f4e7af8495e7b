// The game's own relay link against the real valdorik-relay, driven by
// polling alone, as the game's loop drives it. The link is one per process,
// so the friend is the tests' blocking client.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/net/relay_link.h"
#include "relay_client.h"
#include "relay_process.h"

namespace {

using namespace std::chrono_literals;

// Polls as the game's loop does, until `done` or five seconds have passed.
template <typename Done>
bool PollUntil(Done done) {
  for (auto deadline = std::chrono::steady_clock::now() + 5s; !done(); std::this_thread::sleep_for(1ms)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    PollRelayLink();
  }
  return true;
}

bool LinkClosed() { return RelayLinkState() == LinkState::Closed; }

bool IsTicket(const MessageBytes& bytes) {
  const auto message = ReadRelayMessage(bytes);
  return message && message->kind == MessageKind::Ticket;
}

// The next message, but for the seat's ticket after Seated.
MessageBytes LinkHears() {
  MessageBytes message;
  PollUntil([&] { return TakeRelayLinkMessage(message) && !IsTicket(message); });
  return message;
}

// The link is polled between the friend's short waits, so its writes go on.
MessageBytes FriendHears(RelayClient& guest) {
  RelayReceipt receipt;
  PollUntil([&] {
    receipt = guest.Receive(1ms);
    return receipt.what != RelayReceipt::What::TimedOut && !IsTicket(receipt.bytes);
  });
  return receipt.bytes;
}

TEST(RelayLink, CarriesARoomsMessagesWholeAndInOrderAndSaysWhyItClosed) {
  RelayProcess relay{{}};
  const std::string address = "127.0.0.1:" + std::to_string(relay.port);

  // A refusal, then the relay's clean close: its last message is still there to take.
  StartRelayLink("127.0.0.1", relay.port);
  EXPECT_EQ(RelayLinkState(), LinkState::Connecting);
  SendOnRelayLink(JoinMessage("ABCDEFGHJ"));  // waits for the line to open
  EXPECT_TRUE(PollUntil(LinkClosed));
  EXPECT_EQ(RelayLinkProblem(), "");
  EXPECT_EQ(LinkHears(), RefusedMessage(Refusal::NoSuchRoom));

  StartRelayLink("127.0.0.1", relay.port);
  SendOnRelayLink(OpenMessage());
  const auto seated = ReadRelayMessage(LinkHears());
  ASSERT_TRUE(seated && seated->kind == MessageKind::Seated);
  RelayClient guest("127.0.0.1", relay.port);
  guest.Send(JoinMessage(seated->code));
  EXPECT_EQ(FriendHears(guest), SeatedMessage(Seat::Friend, seated->code));
  EXPECT_EQ(LinkHears(), FriendJoinedMessage());

  // Each burst is sent at once: the link queues behind a write under way and
  // reads many messages in one poll. Each byte of a message is its place.
  const struct { Seat from; int count; size_t size; } bursts[] = {
      {Seat::Host, 1, 1}, {Seat::Friend, 1, 1}, {Seat::Host, 100, 40}, {Seat::Friend, 100, 40},
      {Seat::Host, 30, 4094}, {Seat::Friend, 30, 4094}};  // the relay's largest, with the kind and the seat
  for (const auto& burst : bursts) {
    std::vector<MessageBytes> sent;
    for (int i = 0; i < burst.count; ++i) sent.push_back(GameMessage(burst.from, MessageBytes(burst.size, uint8_t(i))));
    for (const MessageBytes& message : sent) burst.from == Seat::Host ? SendOnRelayLink(message) : guest.Send(message);
    for (size_t i = 0; i < sent.size(); ++i)
      EXPECT_TRUE((burst.from == Seat::Host ? FriendHears(guest) : LinkHears()) == sent[i])
          << "message " << i << " of " << burst.count << " from seat " << int(burst.from);
  }

  // A close of our own goes after all that was sent (one being written, one
  // queued), and the friend hears it was a close, not a lost line.
  for (int i : {0, 1}) SendOnRelayLink(GameMessage(Seat::Host, MessageBytes(5, uint8_t(i))));
  CloseRelayLink();
  for (int i : {0, 1}) EXPECT_EQ(FriendHears(guest), GameMessage(Seat::Host, MessageBytes(5, uint8_t(i))));
  EXPECT_EQ(FriendHears(guest), FriendLeftMessage(Seat::Host, Departure::Closed));
  EXPECT_TRUE(PollUntil(LinkClosed));
  EXPECT_EQ(RelayLinkProblem(), "");

  // The relay gone while a room is open.
  StartRelayLink("127.0.0.1", relay.port);
  SendOnRelayLink(OpenMessage());
  EXPECT_EQ(LinkHears().at(0), uint8_t(MessageKind::Seated));
  EXPECT_EQ(relay.Stop(), 0);
  EXPECT_TRUE(PollUntil(LinkClosed));
  EXPECT_EQ(RelayLinkProblem(), "lost the connection to " + address + ": the relay hung up");

  StartRelayLink("127.0.0.1", relay.port);  // nothing listens there now
  EXPECT_TRUE(PollUntil(LinkClosed));
  EXPECT_EQ(RelayLinkProblem(), "cannot reach " + address + ": Connection refused");
}

}  // namespace
