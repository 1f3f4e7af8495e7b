// valdorik-relay as players meet it: the real program on 127.0.0.1, spoken to
// over WebSocket. Small limits (messages of 1 KiB, 3 rooms) keep the hostile
// cases short. The rooms' limits over time are driven on the rooms alone,
// with the time handed in; the real relay shows each is wired.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>

#include "relay_client.h"
#include "relay_process.h"
#include "room_code.h"
#include "rooms.h"
#include "versus/relay_messages.h"

namespace {

using namespace std::chrono_literals;

constexpr size_t MaxMessage = 1024;

MessageBytes Text(std::string_view text) { return MessageBytes(text.begin(), text.end()); }

const char* SeatName(Seat seat) { return seat == Seat::Host ? "host" : "friend"; }

// A message from the relay in words a test can compare.
std::string Words(std::span<const uint8_t> bytes) {
  const auto message = ReadRelayMessage(bytes);
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

// What a player hears next, but for the seat's ticket after Seated (the
// rejoin tests read it).
std::string Heard(RelayClient& player, std::chrono::milliseconds timeout = 5s) {
  const RelayReceipt receipt = player.Receive(timeout);
  if (receipt.what == RelayReceipt::What::TimedOut) return "nothing";
  if (receipt.what == RelayReceipt::What::Closed) return "closed " + std::to_string(receipt.close_code);
  const auto message = ReadRelayMessage(receipt.bytes);
  if (message && message->kind == MessageKind::Ticket) return Heard(player, timeout);
  return Words(receipt.bytes);
}

// The code must be read aloud and typed: letters only, none of 0/O and 1/I/L.
void ExpectReadable(const std::string& code) {
  EXPECT_GE(code.size(), 8u) << code;
  for (char c : code) EXPECT_TRUE(c >= 'A' && c <= 'Z' && std::string_view("OIL").find(c) == std::string_view::npos) << code;
}

class Relay : public testing::Test {
 protected:
  // The flood below tests the relay's queue for a friend who never reads, not the message rate.
  explicit Relay(std::vector<std::string> options = {"--max-message", std::to_string(MaxMessage), "--max-rooms", "3",
                                                     "--messages-per-second", "1000000"})
      : relay(std::move(options)) {}
  RelayProcess relay;

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
  EXPECT_GE(double(NewRoomCode('K').size() - 1) * std::log2(double(letters.size())), 40.0) << "a named relay's";
}

// The rooms alone, on a clock the test turns: actions in words.
struct RoomsAtHand {
  Rooms rooms{.limits = {.rooms_per_address = 2, .messages_per_second = 5, .waiting_time = 600s, .quiet_time = 300s}};
  std::string code{};  // of the last room opened

  static std::string Described(const RelayActions& actions) {
    std::string words;
    for (const auto& [to, bytes] : actions.sends)
      if (bytes[0] != uint8_t(MessageKind::Ticket)) words += std::to_string(to) + " hears " + Words(bytes) + "; ";
    const char* why[] = {"after refusal", "malformed", "too fast", "expired"};
    for (const auto& [who, closing] : actions.closes) words += std::to_string(who) + " closed " + why[int(closing)] + "; ";
    for (const std::string& line : actions.log) words += line + "; ";
    return words;
  }
  std::string Say(ConnectionId from, const MessageBytes& bytes, std::chrono::milliseconds at,
                  std::string_view address = "10.0.0.1") {
    const RelayActions actions =
        OnMessage(rooms, {.from = from, .address = address, .bytes = bytes, .now = RelayTime(at)});
    for (const auto& [to, sent] : actions.sends)
      if (const auto seated = ReadRelayMessage(sent); seated && seated->kind == MessageKind::Seated) code = seated->code;
    return Described(actions);
  }
  std::string Tick(std::chrono::milliseconds at) { return Described(OnTick(rooms, RelayTime(at))); }
  std::string Gone(ConnectionId who) { return Described(OnGone(rooms, who, Departure::Closed)); }
};

TEST(RoomLimits, CutOffFloodsRefuseHoardersAndCloseIdleRooms) {
  const MessageBytes input = GameMessage(Seat::Host, Text("i"));
  {
    SCOPED_TRACE("five messages a second");
    RoomsAtHand at;
    at.Say(1, OpenMessage(), 0ms);
    EXPECT_EQ(at.Say(2, JoinMessage(at.code), 0ms), "2 hears seated friend " + at.code + "; 1 hears friend joined; ");
    for (auto when : {100ms, 200ms, 300ms, 999ms}) EXPECT_EQ(at.Say(2, input, when), "1 hears game friend i; ");
    // The host's second began at 0 ms with its Open; a new one begins at 1 s.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(at.Say(1, input, 1000ms), "2 hears game host i; ");
    EXPECT_EQ(at.Say(1, input, 1999ms), "2 hears left host lost; 1 closed too fast; ");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(at.Say(2, input, 2000ms), "");  // nobody to pass them to
    EXPECT_EQ(at.Say(2, input, 2000ms), "2 closed too fast; room 1 closed after 9 game messages of 27 bytes; 0 rooms open; ");
  }
  {
    SCOPED_TRACE("two rooms an address");
    RoomsAtHand at;
    at.Say(1, OpenMessage(), 0ms);
    at.Say(2, OpenMessage(), 0ms);
    EXPECT_EQ(at.Say(3, OpenMessage(), 0ms),
              "3 hears refused Too many rooms are open from your network. Close one and try again.; 3 closed after refusal; ");
    const std::string other_address = at.Say(4, OpenMessage(), 0ms, "10.0.0.2");
    EXPECT_EQ(other_address, "4 hears seated host " + at.code + "; room 3 opened; 3 rooms open; ");
    at.Gone(1);
    const std::string once_one_closed = at.Say(5, OpenMessage(), 0ms);
    EXPECT_EQ(once_one_closed, "5 hears seated host " + at.code + "; room 4 opened; 3 rooms open; ");
  }
  {
    SCOPED_TRACE("a host waits 600 s for a friend");
    RoomsAtHand at;
    at.Say(1, OpenMessage(), 0ms);
    EXPECT_EQ(at.Tick(599'999ms), "");
    EXPECT_EQ(at.Tick(600'000ms), "1 closed expired; room 1 expired, no friend came, after 0 game messages of 0 bytes; 0 rooms open; ");
    EXPECT_EQ(at.Say(2, JoinMessage(at.code), 600'001ms),
              "2 hears refused No room has that code. Check it with your friend.; 2 closed after refusal; ");
    EXPECT_EQ(at.Gone(1), "");
    const std::string reopened = at.Say(3, OpenMessage(), 600'001ms);
    EXPECT_EQ(reopened, "3 hears seated host " + at.code + "; room 2 opened; 1 room open; ");
  }
  {
    SCOPED_TRACE("a room with its friend, 300 s without a game message");
    RoomsAtHand at;
    at.Say(1, OpenMessage(), 0ms);
    at.Say(2, JoinMessage(at.code), 500'000ms);  // before the waiting ran out: it does not count once a friend came
    at.Say(1, input, 700'000ms);
    EXPECT_EQ(at.Tick(999'999ms), "");
    EXPECT_EQ(at.Tick(1'000'000ms),
              "1 closed expired; 2 closed expired; room 1 expired, quiet, after 1 game messages of 3 bytes; 0 rooms open; ");
    EXPECT_EQ(at.Gone(2) + at.Gone(1), "");
  }
}

// The body of an HTTP answer.
std::string Body(const std::string& answer) { return answer.substr(std::min(answer.size(), answer.find("\r\n\r\n") + 4)); }

// Everything the relay answered on a plain TCP connection after `request`,
// with "[cut off]" when it ended the connection within five seconds.
std::string PlainExchange(uint16_t port, std::string_view request) {
  const int line = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in relay{.sin_family = AF_INET, .sin_port = htons(port), .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
  if (connect(line, reinterpret_cast<sockaddr*>(&relay), sizeof relay) != 0) return "no connection";
  EXPECT_EQ(send(line, request.data(), request.size(), 0), ssize_t(request.size()));
  std::string answer;
  for (;;) {
    pollfd waiting{.fd = line, .events = POLLIN, .revents = 0};
    char chunk[512];
    const ssize_t got = poll(&waiting, 1, 5000) == 1 ? read(line, chunk, sizeof chunk) : -1;
    if (got <= 0) {
      close(line);
      return got == 0 ? answer + "[cut off]" : answer;
    }
    answer.append(chunk, size_t(got));
  }
}

class LimitedRelay : public Relay {
 protected:
  LimitedRelay()
      : Relay({"--messages-per-second", "50", "--rooms-per-address", "2", "--handshake-seconds", "1",
               "--waiting-seconds", "2", "--quiet-seconds", "3"}) {}
};

TEST_F(LimitedRelay, EachLimitCutsOffOnlyItsOwnConnection) {
  Pair room = FullRoom();
  // 60 at once: the Join was the friend's first message of its second.
  for (int i = 0; i < 60; ++i) room.guest->Send(GameMessage(Seat::Friend, Text("x")));
  EXPECT_EQ(Heard(*room.guest), "closed 4029");
  int passed = 0;
  std::string heard = Heard(*room.host);
  for (; heard == "game friend x"; heard = Heard(*room.host)) passed += 1;
  EXPECT_EQ(heard, "left friend lost");
  EXPECT_GE(passed, 49);  // 50 when the second ended between the Join and the burst
  EXPECT_LE(passed, 50);

  EXPECT_EQ(PlainExchange(relay.port, "GET /health HTTP/1.1\r\nHost: relay\r\n\r\n").substr(0, 15), "HTTP/1.1 200 OK");
  EXPECT_EQ(Body(PlainExchange(relay.port, "GET /health HTTP/1.1\r\n\r\n")), "ok 1 rooms\n[cut off]");
  EXPECT_EQ(PlainExchange(relay.port, "GET /other HTTP/1.1\r\n\r\n").substr(0, 22), "HTTP/1.1 404 Not Found");
  // Half a request, then silence: cut off after a second, as is a connection that says nothing.
  EXPECT_EQ(PlainExchange(relay.port, "GET / HTTP/1.1\r\nUpgrade: websocket\r\n"), "[cut off]");

  const auto second = Player(), third = Player();
  OpenRoom(*second);
  third->Send(OpenMessage());
  EXPECT_EQ(Heard(*third), "refused Too many rooms are open from your network. Close one and try again.");

  // The room left to its host has passed game messages; the other has waited alone.
  EXPECT_EQ(Heard(*second, 4s), "closed 4008");
  EXPECT_EQ(Heard(*room.host, 4s), "closed 4008");
  EXPECT_EQ(Body(PlainExchange(relay.port, "GET /health HTTP/1.1\r\n\r\n")), "ok 0 rooms\n[cut off]");
}

TEST(TwoRelays, HandOutCodesThatNameTheirRelay) {
  RelayProcess relay_k({"--name", "K"}), relay_m({"--name", "M"});
  for (int i = 0; i < 2; ++i) {
    RelayProcess& at = i == 0 ? relay_k : relay_m;
    RelayProcess& other = i == 0 ? relay_m : relay_k;
    RelayClient host("127.0.0.1", at.port), wrong_guest("127.0.0.1", other.port), guest("127.0.0.1", at.port);
    host.Send(OpenMessage());
    const std::string seated = Heard(host);
    const std::string code = seated.substr(seated.find_last_of(' ') + 1);
    EXPECT_EQ(seated, "seated host " + code);
    EXPECT_EQ(code[0], "KM"[i]);
    wrong_guest.Send(JoinMessage(code));
    EXPECT_EQ(Heard(wrong_guest), "refused No room has that code. Check it with your friend.");
    guest.Send(JoinMessage(code));
    EXPECT_EQ(Heard(guest), "seated friend " + code);
  }
}

// A line silent half the idle time is pinged: a player whose game reads
// answers and stays; one that never answers is cut off, and its friend told.
TEST(QuietLines, ArePingedAndCutOffWhenNeverAnswered) {
  RelayProcess relay({"--idle-seconds", "2"});
  RelayClient host("127.0.0.1", relay.port), guest("127.0.0.1", relay.port);
  host.Send(OpenMessage());
  const std::string seated = Heard(host);
  const std::string code = seated.substr(seated.find_last_of(' ') + 1);
  guest.Send(JoinMessage(code));
  EXPECT_EQ(Heard(guest), "seated friend " + code);
  // From here the host neither reads nor sends; the guest only reads.
  EXPECT_EQ(Heard(guest, 5s), "left host lost");
  EXPECT_EQ(Heard(guest, 3s), "nothing");
}

}  // namespace
