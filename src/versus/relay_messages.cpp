#include "relay_messages.h"

#include <algorithm>

namespace {

bool IsSeat(uint8_t byte) { return byte <= uint8_t(Seat::Friend); }

// The kind, one byte of a field, then `tail` as it is.
template <typename Tail>
MessageBytes Message(MessageKind kind, uint8_t field, const Tail& tail) {
  MessageBytes bytes(2 + tail.size());
  bytes[0] = uint8_t(kind);
  bytes[1] = field;
  std::copy(tail.begin(), tail.end(), bytes.begin() + 2);
  return bytes;
}

std::string CodeAt(std::span<const uint8_t> bytes, size_t start) {
  return std::string(bytes.begin() + start, bytes.end());
}

constexpr size_t TicketBytes = 8;

void PutTicket(MessageBytes& bytes, uint64_t ticket) {
  for (size_t i = 0; i < TicketBytes; ++i) bytes.push_back(static_cast<uint8_t>(ticket >> (8 * i)));
}

uint64_t TicketAt(std::span<const uint8_t> bytes, size_t start) {
  uint64_t ticket = 0;
  for (size_t i = 0; i < TicketBytes; ++i) ticket |= uint64_t{bytes[start + i]} << (8 * i);
  return ticket;
}

// After the version: the seat, the ticket, the code.
std::optional<RelayMessage> ReadRejoin(RelayMessage message, std::span<const uint8_t> bytes) {
  if (bytes.size() < 3 + TicketBytes || !IsSeat(bytes[2])) return std::nullopt;
  message.seat = Seat(bytes[2]);
  message.ticket = TicketAt(bytes, 3);
  message.code = CodeAt(bytes, 3 + TicketBytes);
  return IsRoomCode(message.code) ? std::optional(message) : std::nullopt;
}

// Open and Join begin with the version: a message of another version is read
// that far only, so that the relay can tell its sender so, whatever follows.
std::optional<RelayMessage> ReadVersioned(MessageKind kind, std::span<const uint8_t> bytes) {
  if (bytes.size() < 2) return std::nullopt;
  RelayMessage message{.kind = kind, .version = bytes[1]};
  if (message.version != RelayProtocolVersion) return message;
  if (kind == MessageKind::Open) return bytes.size() == 2 ? std::optional(message) : std::nullopt;
  if (kind == MessageKind::Rejoin) return ReadRejoin(message, bytes);
  message.code = CodeAt(bytes, 2);
  return IsRoomCode(message.code) ? std::optional(message) : std::nullopt;
}

}  // namespace

bool IsRoomCode(std::string_view text) {
  return (text.size() == RoomCodeLength || text.size() == NamedRoomCodeLength) &&
         text.find_first_not_of(RoomCodeLetters) == std::string_view::npos;
}

MessageBytes OpenMessage(uint8_t version) { return {uint8_t(MessageKind::Open), version}; }

MessageBytes JoinMessage(std::string_view code, uint8_t version) { return Message(MessageKind::Join, version, code); }

MessageBytes GameMessage(Seat seat, std::span<const uint8_t> payload) {
  return Message(MessageKind::Game, uint8_t(seat), payload);
}

MessageBytes SeatedMessage(Seat seat, std::string_view code) {
  return Message(MessageKind::Seated, uint8_t(seat), code);
}

MessageBytes FriendJoinedMessage() { return {uint8_t(MessageKind::FriendJoined)}; }

MessageBytes FriendLeftMessage(Seat seat, Departure how) {
  return {uint8_t(MessageKind::FriendLeft), uint8_t(seat), uint8_t(how)};
}

MessageBytes RefusedMessage(Refusal why) { return {uint8_t(MessageKind::Refused), uint8_t(why)}; }

MessageBytes RejoinMessage(std::string_view code, Seat seat, uint64_t ticket, uint8_t version) {
  MessageBytes bytes{uint8_t(MessageKind::Rejoin), version, uint8_t(seat)};
  PutTicket(bytes, ticket);
  bytes.insert(bytes.end(), code.begin(), code.end());
  return bytes;
}

MessageBytes TicketMessage(uint64_t ticket) {
  MessageBytes bytes{uint8_t(MessageKind::Ticket)};
  PutTicket(bytes, ticket);
  return bytes;
}

MessageBytes FriendBackMessage() { return {uint8_t(MessageKind::FriendBack)}; }

std::optional<RelayMessage> ReadRelayMessage(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return std::nullopt;
  const auto kind = MessageKind(bytes[0]);
  const size_t size = bytes.size();
  switch (kind) {
    case MessageKind::Open:
    case MessageKind::Join:
    case MessageKind::Rejoin:
      return ReadVersioned(kind, bytes);
    case MessageKind::Game:
      if (size < 2 || !IsSeat(bytes[1])) return std::nullopt;
      return RelayMessage{.kind = kind, .seat = Seat(bytes[1]), .payload = MessageBytes(bytes.begin() + 2, bytes.end())};
    case MessageKind::Seated: {
      if (size < 2 || !IsSeat(bytes[1])) return std::nullopt;
      RelayMessage message{.kind = kind, .seat = Seat(bytes[1]), .code = CodeAt(bytes, 2)};
      return IsRoomCode(message.code) ? std::optional(message) : std::nullopt;
    }
    case MessageKind::FriendJoined:
    case MessageKind::FriendBack:
      return size == 1 ? std::optional(RelayMessage{.kind = kind}) : std::nullopt;
    case MessageKind::Ticket:
      if (size != 1 + TicketBytes) return std::nullopt;
      return RelayMessage{.kind = kind, .ticket = TicketAt(bytes, 1)};
    case MessageKind::FriendLeft:
      if (size != 3 || !IsSeat(bytes[1]) || bytes[2] > uint8_t(Departure::Lost)) return std::nullopt;
      return RelayMessage{.kind = kind, .seat = Seat(bytes[1]), .departure = Departure(bytes[2])};
    case MessageKind::Refused:
      if (size != 2 || bytes[1] < uint8_t(Refusal::NoSuchRoom) || bytes[1] > uint8_t(Refusal::TooManyRooms))
        return std::nullopt;
      return RelayMessage{.kind = kind, .refusal = Refusal(bytes[1])};
  }
  return std::nullopt;
}

std::string_view RefusalText(Refusal why) {
  switch (why) {
    case Refusal::NoSuchRoom: return "No room has that code. Check it with your friend.";
    case Refusal::RoomFull: return "That room already has its two players.";
    case Refusal::RelayFull: return "The relay has no room free. Try again later.";
    case Refusal::OtherVersion: return "The relay speaks another version of the game's messages.";
    case Refusal::TooManyRooms: return "Too many rooms are open from your network. Close one and try again.";
  }
  return "The relay refused.";
}
