#include "rooms.h"

#include "room_code.h"

namespace {

std::string RoomsOpenText(const Rooms& rooms) {
  const size_t open = rooms.by_code.size();
  return std::to_string(open) + (open == 1 ? " room open" : " rooms open");
}

RelayActions Refuse(ConnectionId who, Refusal why) {
  return {.sends = {{who, RefusedMessage(why)}}, .close_sender = Closing::AfterRefusal};
}

// A player whose messages break the protocol is cut off as if its line had
// dropped: its friend hears so, and the room lives on for the friend.
RelayActions CutOff(Rooms& rooms, ConnectionId who) {
  RelayActions actions = OnGone(rooms, who, Departure::Lost);
  actions.close_sender = Closing::Malformed;
  return actions;
}

RelayActions OpenRoom(Rooms& rooms, ConnectionId host) {
  if (rooms.by_code.size() >= rooms.most_rooms) return Refuse(host, Refusal::RelayFull);
  std::string code = NewRoomCode();
  while (rooms.by_code.contains(code)) code = NewRoomCode();
  Room& room = rooms.by_code[code];
  room.number = ++rooms.rooms_opened;
  room.seats[size_t(Seat::Host)] = host;
  rooms.seat_of[host] = {code, Seat::Host};
  return {.sends = {{host, SeatedMessage(Seat::Host, code)}},
          .log = {"room " + std::to_string(room.number) + " opened; " + RoomsOpenText(rooms)}};
}

RelayActions JoinRoom(Rooms& rooms, ConnectionId guest, const std::string& code) {
  const auto found = rooms.by_code.find(code);
  if (found == rooms.by_code.end()) return Refuse(guest, Refusal::NoSuchRoom);
  Room& room = found->second;
  if (room.friend_came) return Refuse(guest, Refusal::RoomFull);
  room.friend_came = true;
  room.seats[size_t(Seat::Friend)] = guest;
  rooms.seat_of[guest] = {code, Seat::Friend};
  RelayActions actions{.sends = {{guest, SeatedMessage(Seat::Friend, code)}}};
  if (const auto host = room.seats[size_t(Seat::Host)]) actions.sends.push_back({*host, FriendJoinedMessage()});
  return actions;
}

// The seat in the message is the sender's word; the relay writes the seat
// the sender really holds, so that no one can speak for the other.
RelayActions PassOn(Rooms& rooms, ConnectionId from, std::span<const uint8_t> bytes) {
  const auto& [code, seat] = rooms.seat_of.at(from);
  Room& room = rooms.by_code.at(code);
  const auto partner = room.seats[size_t(OtherSeat(seat))];
  if (!partner) return {};  // the friend is not there yet, or gone: nobody to tell
  room.passed_messages += 1;
  room.passed_bytes += bytes.size();
  MessageBytes stamped(bytes.begin(), bytes.end());
  stamped[1] = uint8_t(seat);
  return {.sends = {{*partner, std::move(stamped)}}};
}

}  // namespace

RelayActions OnMessage(Rooms& rooms, ConnectionId from, std::span<const uint8_t> bytes, bool binary) {
  const auto message = binary ? ReadRelayMessage(bytes) : std::nullopt;
  if (!message) return CutOff(rooms, from);
  const bool seated = rooms.seat_of.contains(from);
  switch (message->kind) {
    case MessageKind::Open:
    case MessageKind::Join:
      if (seated) return CutOff(rooms, from);
      if (message->version != RelayProtocolVersion) return Refuse(from, Refusal::OtherVersion);
      return message->kind == MessageKind::Open ? OpenRoom(rooms, from) : JoinRoom(rooms, from, message->code);
    case MessageKind::Game:
      return seated ? PassOn(rooms, from, bytes) : CutOff(rooms, from);
    default:  // the relay's own kinds
      return CutOff(rooms, from);
  }
}

RelayActions OnGone(Rooms& rooms, ConnectionId who, Departure how) {
  const auto seated = rooms.seat_of.find(who);
  if (seated == rooms.seat_of.end()) return {};
  const auto [code, seat] = seated->second;
  rooms.seat_of.erase(seated);
  Room& room = rooms.by_code.at(code);
  room.seats[size_t(seat)].reset();
  if (const auto partner = room.seats[size_t(OtherSeat(seat))])
    return {.sends = {{*partner, FriendLeftMessage(seat, how)}}};
  const std::string closed = "room " + std::to_string(room.number) + " closed after " +
                             std::to_string(room.passed_messages) + " game messages of " +
                             std::to_string(room.passed_bytes) + " bytes; ";
  rooms.by_code.erase(code);
  return {.log = {closed + RoomsOpenText(rooms)}};
}
