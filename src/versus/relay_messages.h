// What the two players of a versus game and the relay between them say to
// each other: one binary WebSocket message each, its first byte the kind.
// The relay reads the kinds and the seats only; a game message's payload
// (frame inputs, state hashes) belongs to the players. The byte layout and
// the order of a room's messages are in docs/relay.md. No networking here:
// the relay, the desktop game and the browser page all read the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using MessageBytes = std::vector<uint8_t>;

// Sent in Open and Join; a relay pairs only players of its own version.
constexpr uint8_t RelayProtocolVersion = 1;
constexpr uint16_t DefaultRelayPort = 6473;

enum class MessageKind : uint8_t {
  Open = 0x01,          // player: version. A new room, with the player in its host seat.
  Join = 0x02,          // player: version, room code. The friend seat of that room.
  Rejoin = 0x03,        // player: version, seat, ticket, room code. Back into the seat a dropped line left.
  Game = 0x10,          // both ways: seat, payload. The relay writes the sender's seat in.
  Seated = 0x81,        // relay: seat, room code. The answer to Open or Join.
  FriendJoined = 0x82,  // relay, to the host: the friend is in the room.
  FriendLeft = 0x83,    // relay: seat, departure. The other seat is empty now.
  Refused = 0x84,       // relay: refusal. The relay closes the connection after it.
  Ticket = 0x85,        // relay: ticket. Right after Seated: what takes the seat back after a drop.
  FriendBack = 0x86,    // relay: the friend whose line dropped is back in their seat.
};

enum class Seat : uint8_t { Host = 0, Friend = 1 };
enum class Departure : uint8_t { Closed = 0, Lost = 1 };  // a WebSocket close, or anything else
enum class Refusal : uint8_t { NoSuchRoom = 1, RoomFull = 2, RelayFull = 3, OtherVersion = 4, TooManyRooms = 5 };

constexpr Seat OtherSeat(Seat seat) { return seat == Seat::Host ? Seat::Friend : Seat::Host; }

// Room codes: letters only, none of the I, L, O and Q that pass for 1, 0 and
// each other. 22 letters, 9 of them: log2(22^9) = 40.1 random bits.
constexpr std::string_view RoomCodeLetters = "ABCDEFGHJKMNPRSTUVWXYZ";
constexpr size_t RoomCodeLength = 9;
// A relay with a name (a letter) puts it before the nine random letters.
constexpr size_t NamedRoomCodeLength = RoomCodeLength + 1;

bool IsRoomCode(std::string_view text);

MessageBytes OpenMessage(uint8_t version = RelayProtocolVersion);
MessageBytes JoinMessage(std::string_view code, uint8_t version = RelayProtocolVersion);
MessageBytes GameMessage(Seat seat, std::span<const uint8_t> payload);
MessageBytes SeatedMessage(Seat seat, std::string_view code);
MessageBytes FriendJoinedMessage();
MessageBytes FriendLeftMessage(Seat seat, Departure how);
MessageBytes RefusedMessage(Refusal why);
MessageBytes RejoinMessage(std::string_view code, Seat seat, uint64_t ticket, uint8_t version = RelayProtocolVersion);
MessageBytes TicketMessage(uint64_t ticket);
MessageBytes FriendBackMessage();

// One message read back. Only the fields of its kind are set.
struct RelayMessage {
  MessageKind kind = MessageKind::Open;
  uint8_t version = 0;  // Open, Join (when it is not ours, the rest is not read)
  Seat seat = Seat::Host;  // Game, Seated, FriendLeft, Rejoin
  std::string code{};  // Join, Seated, Rejoin
  uint64_t ticket = 0;  // Rejoin, Ticket
  Departure departure = Departure::Closed;  // FriendLeft
  Refusal refusal = Refusal::NoSuchRoom;  // Refused
  MessageBytes payload{};  // Game
};

// The message, or nothing when the bytes are not exactly one message of a
// known kind with every field in range.
std::optional<RelayMessage> ReadRelayMessage(std::span<const uint8_t> bytes);

// A refusal in the words a player reads.
std::string_view RefusalText(Refusal why);
