// valdorik-relay as players meet it: the real program on 127.0.0.1, spoken to
// over WebSocket. Small limits (messages of 1 KiB, 3 rooms) keep the hostile
// cases short.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>

#include "relay_client.h"
#include "relay_process.h"
#include "room_code.h"
#include "versus/relay_messages.h"

namespace {

constexpr size_t MaxMessage = 1024;

MessageBytes Text(std::string_view text) { return MessageBytes(text.begin(), text.end()); }

const char* SeatName(Seat seat) { return seat == Seat::Host ? "host" : "friend"; }

// What a player hears next, in words a test can compare.
std::string Heard(RelayClient& player) {
  const RelayReceipt receipt = player.Receive();
  if (receipt.what == RelayReceipt::What::TimedOut) return "nothing";
  if (receipt.what == RelayReceipt::What::Closed) return "closed " + std::to_string(receipt.close_code);
  const auto message = ReadRelayMessage(receipt.bytes);
  if (!message) return "unreadable";
  const std::string seat = SeatName(message->seat);
  switch (message->kind) {
    case MessageKind::Seated: return "seated " + seat + " " + message->code;
    case MessageKind::FriendJoined: return "friend joined";
    case MessageKind::FriendLeft: return "left " + seat + (message->departure == Departure::Closed ? " closed" : " lost");
    case MessageKind::Refused: return "refused " + std::string(RefusalText(message->refusal));
    case MessageKind::Game: return "game " + seat + " " + std::string(message->payload.begin(), message->payload.end());
    default: return "a player's message";
  }
}

// The code must be read aloud and typed: letters only, none of 0/O and 1/I/L.
void ExpectReadable(const std::string& code) {
  EXPECT_GE(code.size(), 8u) << code;
  for (char c : code) EXPECT_TRUE(c >= 'A' && c <= 'Z' && std::string_view("OIL").find(c) == std::string_view::npos) << code;
}

class Relay : public testing::Test {
 protected:
  RelayProcess relay{{"--max-message", std::to_string(MaxMessage), "--max-rooms", "3"}};

  std::unique_ptr<RelayClient> Player() { return std::make_unique<RelayClient>("127.0.0.1", relay.port); }

  std::string OpenRoom(RelayClient& host) {
    host.Send(OpenMessage());
    const std::string seated = Heard(host);
    const std::string code = seated.substr(seated.find_last_of(' ') + 1);
    EXPECT_EQ(seated, "seated host " + code);
    ExpectReadable(code);
    return code;
  }

  // A room with both its players seated.
  struct Pair {
    std::unique_ptr<RelayClient> host, guest;
    std::string code;
  };
  Pair FullRoom() {
    Pair pair{Player(), Player(), ""};
    pair.code = OpenRoom(*pair.host);
    pair.guest->Send(JoinMessage(pair.code));
    EXPECT_EQ(Heard(*pair.guest), "seated friend " + pair.code);
    EXPECT_EQ(Heard(*pair.host), "friend joined");
    return pair;
  }

  void ExpectPassesBothWays(Pair& pair, const std::string& words) {
    pair.host->Send(GameMessage(Seat::Host, Text(words)));
    EXPECT_EQ(Heard(*pair.guest), "game host " + words);
    pair.guest->Send(GameMessage(Seat::Friend, Text(words)));
    EXPECT_EQ(Heard(*pair.host), "game friend " + words);
  }
};

TEST_F(Relay, PassesMessagesStampedWithTheSendersOwnSeat) {
  Pair room = FullRoom();
  EXPECT_EQ(relay.NextLine(), "valdorik-relay: room 1 opened; 1 room open");
  const struct {
    RelayClient* from;
    RelayClient* to;
    Seat claimed;
    const char* payload;
    const char* heard;
  } rows[] = {
      {room.host.get(), room.guest.get(), Seat::Host, "h1", "game host h1"},
      {room.guest.get(), room.host.get(), Seat::Friend, "f1", "game friend f1"},
      {room.guest.get(), room.host.get(), Seat::Host, "f2 as host", "game friend f2 as host"},
      {room.host.get(), room.guest.get(), Seat::Friend, "h2 as friend", "game host h2 as friend"},
  };
  for (const auto& row : rows) {
    row.from->Send(GameMessage(row.claimed, Text(row.payload)));
    EXPECT_EQ(Heard(*row.to), row.heard);
  }
  room.guest->Close();
  EXPECT_EQ(Heard(*room.host), "left friend closed");
  room.host.reset();  // its line drops: the room is empty
  // Four messages of a kind byte, a seat byte and their payload: 4 + 4 + 12 + 14 bytes.
  EXPECT_EQ(relay.NextLine(), "valdorik-relay: room 1 closed after 4 game messages of 34 bytes; 0 rooms open");
  // Nothing a player sent reaches the log.
  EXPECT_EQ(relay.Stop(), 0);
  EXPECT_EQ(relay.NextLine(), "valdorik-relay: stopped");
  EXPECT_EQ(relay.NextLine(), "");
}

TEST_F(Relay, RefusesWrongCodesThirdPlayersOtherVersionsAndRoomsBeyondItsLimit) {
  Pair room = FullRoom();
  std::string wrong_code = room.code;
  wrong_code[0] = wrong_code[0] == 'A' ? 'B' : 'A';
  const struct {
    MessageBytes message;
    const char* heard;
  } rows[] = {
      {JoinMessage(room.code), "refused That room already has its two players."},
      {JoinMessage(wrong_code), "refused No room has that code. Check it with your friend."},
      {JoinMessage(room.code, RelayProtocolVersion + 1), "refused The relay speaks another version of the game's messages."},
      {OpenMessage(RelayProtocolVersion + 1), "refused The relay speaks another version of the game's messages."},
  };
  for (const auto& row : rows) {
    const auto player = Player();
    player->Send(row.message);
    EXPECT_EQ(Heard(*player), row.heard);
    EXPECT_EQ(Heard(*player), "closed 1000");
  }
  const auto second = Player(), third = Player(), fourth = Player();
  OpenRoom(*second);
  OpenRoom(*third);
  fourth->Send(OpenMessage());
  EXPECT_EQ(Heard(*fourth), "refused The relay has no room free. Try again later.");
  ExpectPassesBothWays(room, "still ours");
}

TEST_F(Relay, HostileMessagesCloseOnlyTheirOwnConnection) {
  Pair bystanders = FullRoom();
  const std::string filler(MaxMessage - 2, 'x');  // after the kind and the seat
  Pair room = FullRoom();
  room.guest->Send(GameMessage(Seat::Friend, Text(filler)));
  EXPECT_EQ(Heard(*room.host), "game friend " + filler);
  // A friend who never reads is cut off once the relay's queue for it is
  // full; 20 MB is beyond what the loopback's buffers take first.
  for (int i = 0; i < 20000; ++i) room.host->Send(GameMessage(Seat::Host, Text(filler)));
  EXPECT_EQ(Heard(*room.host), "left friend lost");
  room.host.reset();

  const struct {
    const char* what;
    MessageBytes message;
    bool binary;
    bool seated;  // sent by a seated friend, or before any seat
    int close_code;
  } rows[] = {
      {"one byte over the largest", GameMessage(Seat::Friend, Text(filler + "x")), true, true, 1009},
      {"text", Text("hello"), false, true, 1008},
      {"empty", {}, true, true, 1008},
      {"unknown kind", {0x7f, 0}, true, true, 1008},
      {"the relay's own kind", FriendJoinedMessage(), true, true, 1008},
      {"game without its seat", {uint8_t(MessageKind::Game)}, true, true, 1008},
      {"no such seat", {uint8_t(MessageKind::Game), 2, 'x'}, true, true, 1008},
      {"a second room", OpenMessage(), true, true, 1008},
      {"game before a seat", GameMessage(Seat::Host, Text("x")), true, false, 1008},
      {"a code too short", JoinMessage("ABC"), true, false, 1008},
      {"a code with a 0", JoinMessage("ABCDEFGH0"), true, false, 1008},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    if (row.seated) {
      Pair victim = FullRoom();
      victim.guest->Send(row.message, row.binary);
      EXPECT_EQ(Heard(*victim.guest), "closed " + std::to_string(row.close_code));
      EXPECT_EQ(Heard(*victim.host), "left friend lost");
    } else {
      const auto stranger = Player();
      stranger->Send(row.message, row.binary);
      EXPECT_EQ(Heard(*stranger), "closed " + std::to_string(row.close_code));
    }
    ExpectPassesBothWays(bystanders, row.what);
  }
  EXPECT_EQ(relay.Stop(), 0);
}

TEST(RoomCodes, AreReadableLettersWithFortyRandomBits) {
  std::set<std::string> codes;
  std::set<char> letters;
  for (int i = 0; i < 3000; ++i) {
    const std::string code = NewRoomCode();
    ExpectReadable(code);
    ASSERT_EQ(code.size(), NewRoomCode().size());
    codes.insert(code);
    letters.insert(code.begin(), code.end());
  }
  EXPECT_EQ(codes.size(), 3000u);  // two alike would be a one in 400,000 chance
  EXPECT_GE(double(NewRoomCode().size()) * std::log2(double(letters.size())), 40.0);
}

}  // namespace
