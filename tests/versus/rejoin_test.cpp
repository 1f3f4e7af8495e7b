// Taking a seat back after a dropped line: only with that seat's ticket,
// only while the seat is empty, and the friend still there hears of it.
#include <gtest/gtest.h>

#include "rooms.h"

namespace {


RelayActions Send(Rooms& rooms, ConnectionId from, const MessageBytes& bytes) {
  return OnMessage(rooms, {.from = from, .address = "10.0.0.1", .bytes = bytes, .binary = true, .now = {}});
}

std::vector<RelayMessage> HeardBy(const RelayActions& actions, ConnectionId who) {
  std::vector<RelayMessage> heard;
  for (const auto& [to, bytes] : actions.sends)
    if (to == who) heard.push_back(*ReadRelayMessage(bytes));
  return heard;
}

uint64_t TicketIn(const RelayActions& actions, ConnectionId who) {
  for (const RelayMessage& message : HeardBy(actions, who))
    if (message.kind == MessageKind::Ticket) return message.ticket;
  ADD_FAILURE() << "no ticket for connection " << who;
  return 0;
}

TEST(Rejoin, TakesBackOnlyAnEmptySeatWithItsOwnTicket) {
  constexpr ConnectionId Host = 1, Friend = 2, Back = 3;
  struct Row {
    const char* what;
    bool friend_drops;
    bool right_ticket;
    Seat seat;
    bool seated;
  } rows[] = {
      {"the dropped friend with its ticket", true, true, Seat::Friend, true},
      {"a wrong ticket", true, false, Seat::Friend, false},
      {"the host's seat, still taken, with the host's ticket", true, true, Seat::Host, false},
      {"a friend still there", false, true, Seat::Friend, false},
  };
  for (const Row& row : rows) {
    Rooms rooms;
    const RelayActions opened = Send(rooms, Host, OpenMessage());
    const std::string code = HeardBy(opened, Host).front().code;
    const RelayActions joined = Send(rooms, Friend, JoinMessage(code));
    const uint64_t ticket = TicketIn(row.seat == Seat::Host ? opened : joined, row.seat == Seat::Host ? Host : Friend);
    if (row.friend_drops) OnGone(rooms, Friend, Departure::Lost);
    const RelayActions back = Send(rooms, Back, RejoinMessage(code, row.seat, row.right_ticket ? ticket : ticket ^ 1));
    const std::vector<RelayMessage> heard = HeardBy(back, Back);
    ASSERT_FALSE(heard.empty()) << row.what;
    EXPECT_EQ(heard.front().kind, row.seated ? MessageKind::Seated : MessageKind::Refused) << row.what;
    EXPECT_EQ(HeardBy(back, Host).size(), row.seated ? 1u : 0u) << row.what << ": the host hears the friend is back";
    if (!row.seated) continue;
    EXPECT_EQ(HeardBy(back, Host).front().kind, MessageKind::FriendBack);
    const RelayActions game = Send(rooms, Back, GameMessage(Seat::Host, std::vector<uint8_t>{7}));
    ASSERT_EQ(HeardBy(game, Host).size(), 1u);
    EXPECT_EQ(HeardBy(game, Host).front().seat, Seat::Friend) << "back in the friend's seat, and speaking for it only";
  }
}

}  // namespace
