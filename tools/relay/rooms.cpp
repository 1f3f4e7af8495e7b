#include "rooms.h"

#include "room_code.h"

namespace {

std::string RoomsOpenText(const Rooms& rooms) {
  const size_t open = rooms.by_code.size();
  return std::to_string(open) + (open == 1 ? " room open" : " rooms open");
}

RelayActions Refuse(ConnectionId who, Refusal why) {
  return {.sends = {{who, RefusedMessage(why)}}, .closes = {{who, Closing::AfterRefusal}}};
}

// A player who breaks the protocol or the message rate is cut off as if its
// line had dropped: its friend hears so, and the room lives on for the friend.
RelayActions CutOff(Rooms& rooms, ConnectionId who, Closing why = Closing::Malformed) {
  RelayActions actions = OnGone(rooms, who, Departure::Lost);
  actions.closes.push_back({who, why});
  return actions;
}

// The room's line for the log, once it is gone from `rooms`.
std::string CloseRoom(Rooms& rooms, const std::string& code, std::string_view why) {
  const Room& room = rooms.by_code.at(code);
  std::string line = "room " + std::to_string(room.number) + " " + std::string(why) + " after " +
                     std::to_string(room.passed_messages) + " game messages of " +
                     std::to_string(room.passed_bytes) + " bytes; ";
  if (--rooms.rooms_of_address.at(room.host_address) == 0) rooms.rooms_of_address.erase(room.host_address);
  for (const auto& seat : room.seats)
    if (seat) rooms.seat_of.erase(*seat);
  rooms.by_code.erase(code);
  return line + RoomsOpenText(rooms);
}

RelayActions OpenRoom(Rooms& rooms, const Received& message) {
  if (rooms.by_code.size() >= rooms.limits.most_rooms) return Refuse(message.from, Refusal::RelayFull);
  const std::string address(message.address);
  if (const auto held = rooms.rooms_of_address.find(address);
      held != rooms.rooms_of_address.end() && held->second >= rooms.limits.rooms_per_address)
    return Refuse(message.from, Refusal::TooManyRooms);
  std::string code = NewRoomCode(rooms.limits.name);
  while (rooms.by_code.contains(code)) code = NewRoomCode(rooms.limits.name);
  Room& room = rooms.by_code[code];
  room.number = ++rooms.rooms_opened;
  room.seats[size_t(Seat::Host)] = message.from;
  room.host_address = address;
  room.opened = room.last_game = message.now;
  rooms.rooms_of_address[address] += 1;
  rooms.seat_of[message.from] = {code, Seat::Host};
  room.tickets[size_t(Seat::Host)] = NewTicket();
  return {.sends = {{message.from, SeatedMessage(Seat::Host, code)},
                    {message.from, TicketMessage(room.tickets[size_t(Seat::Host)])}},
          .log = {"room " + std::to_string(room.number) + " opened; " + RoomsOpenText(rooms)}};
}

RelayActions JoinRoom(Rooms& rooms, const Received& message, const std::string& code) {
  const ConnectionId guest = message.from;
  const auto found = rooms.by_code.find(code);
  if (found == rooms.by_code.end()) return Refuse(guest, Refusal::NoSuchRoom);
  Room& room = found->second;
  if (room.friend_came) return Refuse(guest, Refusal::RoomFull);
  room.friend_came = true;
  room.last_game = message.now;
  room.seats[size_t(Seat::Friend)] = guest;
  rooms.seat_of[guest] = {code, Seat::Friend};
  room.tickets[size_t(Seat::Friend)] = NewTicket();
  RelayActions actions{.sends = {{guest, SeatedMessage(Seat::Friend, code)},
                                 {guest, TicketMessage(room.tickets[size_t(Seat::Friend)])}}};
  if (const auto host = room.seats[size_t(Seat::Host)]) actions.sends.push_back({*host, FriendJoinedMessage()});
  return actions;
}

// A player whose line dropped takes their empty seat back with its ticket;
// the friend still there hears so. Anything else is no such room: a wrong
// ticket tells nothing of the room.
RelayActions RejoinRoom(Rooms& rooms, const Received& message, const RelayMessage& rejoin) {
  const auto found = rooms.by_code.find(rejoin.code);
  const size_t seat = size_t(rejoin.seat);
  if (found == rooms.by_code.end()) return Refuse(message.from, Refusal::NoSuchRoom);
  Room& room = found->second;
  const bool taken_before = rejoin.seat == Seat::Host || room.friend_came;
  if (room.seats[seat] || !taken_before || room.tickets[seat] != rejoin.ticket)
    return Refuse(message.from, Refusal::NoSuchRoom);
  room.seats[seat] = message.from;
  rooms.seat_of[message.from] = {rejoin.code, rejoin.seat};
  RelayActions actions{.sends = {{message.from, SeatedMessage(rejoin.seat, rejoin.code)},
                                 {message.from, TicketMessage(room.tickets[seat])}}};
  if (const auto partner = room.seats[size_t(OtherSeat(rejoin.seat))])
    actions.sends.push_back({*partner, FriendBackMessage()});
  return actions;
}

// The seat in the message is the sender's word; the relay writes the seat
// the sender really holds, so that no one can speak for the other.
RelayActions PassOn(Rooms& rooms, const Received& message) {
  const auto& [code, seat] = rooms.seat_of.at(message.from);
  Room& room = rooms.by_code.at(code);
  room.last_game = message.now;
  const auto partner = room.seats[size_t(OtherSeat(seat))];
  if (!partner) return {};  // the friend is not there yet, or gone: nobody to tell
  room.passed_messages += 1;
  room.passed_bytes += message.bytes.size();
  MessageBytes stamped(message.bytes.begin(), message.bytes.end());
  stamped[1] = uint8_t(seat);
  return {.sends = {{*partner, std::move(stamped)}}};
}

// True when this message is one too many for its connection's second.
bool OverRate(Rooms& rooms, const Received& message) {
  Meter& meter = rooms.meters[message.from];
  if (meter.messages == 0 || message.now - meter.began >= std::chrono::seconds(1)) meter = {.began = message.now};
  return ++meter.messages > rooms.limits.messages_per_second;
}

}  // namespace

RelayActions OnMessage(Rooms& rooms, const Received& message) {
  if (OverRate(rooms, message)) return CutOff(rooms, message.from, Closing::TooFast);
  const auto read = message.binary ? ReadRelayMessage(message.bytes) : std::nullopt;
  if (!read) return CutOff(rooms, message.from);
  const bool seated = rooms.seat_of.contains(message.from);
  switch (read->kind) {
    case MessageKind::Open:
    case MessageKind::Join:
    case MessageKind::Rejoin:
      if (seated) return CutOff(rooms, message.from);
      if (read->version != RelayProtocolVersion) return Refuse(message.from, Refusal::OtherVersion);
      if (read->kind == MessageKind::Rejoin) return RejoinRoom(rooms, message, *read);
      return read->kind == MessageKind::Open ? OpenRoom(rooms, message) : JoinRoom(rooms, message, read->code);
    case MessageKind::Game:
      return seated ? PassOn(rooms, message) : CutOff(rooms, message.from);
    default:  // the relay's own kinds
      return CutOff(rooms, message.from);
  }
}

RelayActions OnGone(Rooms& rooms, ConnectionId who, Departure how) {
  rooms.meters.erase(who);
  const auto seated = rooms.seat_of.find(who);
  if (seated == rooms.seat_of.end()) return {};
  const auto [code, seat] = seated->second;
  rooms.seat_of.erase(seated);
  Room& room = rooms.by_code.at(code);
  room.seats[size_t(seat)].reset();
  if (const auto partner = room.seats[size_t(OtherSeat(seat))])
    return {.sends = {{*partner, FriendLeftMessage(seat, how)}}};
  return {.log = {CloseRoom(rooms, code, "closed")}};
}

RelayActions OnTick(Rooms& rooms, RelayTime now) {
  RelayActions actions;
  for (auto it = rooms.by_code.begin(); it != rooms.by_code.end();) {
    const std::string code = it->first;  // a copy: CloseRoom erases the room that holds it
    const Room& room = (it++)->second;
    const bool waited_out = !room.friend_came && now - room.opened >= rooms.limits.waiting_time;
    const bool quiet = room.friend_came && now - room.last_game >= rooms.limits.quiet_time;
    if (!waited_out && !quiet) continue;
    for (const auto& seat : room.seats)
      if (seat) actions.closes.push_back({*seat, Closing::Expired});
    actions.log.push_back(CloseRoom(rooms, code, waited_out ? "expired, no friend came," : "expired, quiet,"));
  }
  return actions;
}
