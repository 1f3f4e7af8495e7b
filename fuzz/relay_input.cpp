// The relay's rooms under hostile players: the fuzz input is a script of
// steps from six connections on three addresses (messages of any bytes,
// joins with the codes really open, rejoins with the tickets really handed
// out, lines that end, time that passes),
// carried out as the server carries them out. The rooms must never send a
// message into another room, and every game message passed on must carry
// the seat its sender really holds. The payloads passed on, and the input
// as a whole, are also read as the players' games read them.
#include <algorithm>
#include <array>
#include <set>
#include <tuple>

#include "fuzz_inputs.h"
#include "lockstep/peer_messages.h"
#include "lockstep/versus_replay.h"
#include "rooms.h"

namespace {

constexpr size_t Connections = 6;

// The bytes of the fuzz input, taken from the front.
struct Script {
  const uint8_t* data;
  size_t size;
  uint8_t Byte() {
    if (size == 0) return 0;
    size -= 1;
    return *data++;
  }
  std::span<const uint8_t> Bytes(size_t count) {
    count = std::min(count, size);
    const std::span<const uint8_t> taken(data, count);
    data += count;
    size -= count;
    return taken;
  }
};

struct Players {
  Rooms rooms{.limits = {.most_rooms = 4, .rooms_per_address = 2, .messages_per_second = 8,
                         .waiting_time = std::chrono::seconds(60), .quiet_time = std::chrono::seconds(30)}};
  std::array<ConnectionId, Connections> ids{1, 2, 3, 4, 5, 6};
  ConnectionId next_id = 7;
  RelayTime now{};
  std::vector<std::tuple<std::string, Seat, uint64_t>> tickets{};  // as the relay handed them out
};

const char* const Addresses[] = {"10.0.0.1", "10.0.0.2", "10.0.0.3"};

// What a payload passed on does in the receiving game: whatever it accepts
// it can write again, and reads back the same.
std::string PeerProblem(std::span<const uint8_t> payload) {
  const auto message = ReadPeerMessage(payload);
  if (!message) return "";
  std::vector<uint8_t> again;
  switch (message->kind) {
    case PeerKind::Start: again = StartPayload(message->seed, message->input_delay, message->game_version); break;
    case PeerKind::Turn: again = TurnPayload(message->turn, message->inputs); break;
    case PeerKind::Hash: again = HashPayload(message->turn, message->hash); break;
    case PeerKind::Ping:
    case PeerKind::Pong: again = PingPayload(message->kind, message->stamp); break;
  }
  const auto reread = ReadPeerMessage(again);
  const bool same = reread && reread->kind == message->kind && reread->seed == message->seed &&
                    reread->input_delay == message->input_delay && reread->game_version == message->game_version &&
                    reread->turn == message->turn && reread->inputs == message->inputs && reread->hash == message->hash &&
                    reread->stamp == message->stamp;
  return same ? "" : "a peer message the game accepts does not read back the same once written again";
}

// `actions`, the rooms' answer to `from` (0: the clock), against who sat
// where before it (`before`) and after.
std::string ActionsProblem(const Players& players, const std::map<ConnectionId, std::pair<std::string, Seat>>& before,
                           ConnectionId from, std::span<const uint8_t> sent, const RelayActions& actions) {
  const std::set<ConnectionId> live(players.ids.begin(), players.ids.end());
  const auto room_of = [](const auto& seats, ConnectionId who) {
    const auto found = seats.find(who);
    return found == seats.end() ? std::string() : found->second.first;
  };
  for (const auto& [to, bytes] : actions.sends) {
    if (!live.contains(to)) return "a message to a connection that is gone";
    const auto read = ReadRelayMessage(bytes);
    if (!read) return "the relay sent a message it cannot read itself";
    if (read->kind == MessageKind::Game) {
      const std::string room = room_of(before, from);
      if (room.empty() || to == from || room_of(before, to) != room) return "a game message reached another room";
      if (read->seat != before.at(from).second) return "a game message passed on with a seat not its sender's";
      if (!std::equal(read->payload.begin(), read->payload.end(), sent.begin() + 2, sent.end()))
        return "a game message's payload changed on the way";
      if (std::string problem = PeerProblem(read->payload); !problem.empty()) return problem;
      continue;
    }
    if (to == from) continue;
    // The relay's word to another player: only ever its room's friend.
    const std::string room = room_of(before, from).empty() ? room_of(players.rooms.seat_of, from) : room_of(before, from);
    if (from == 0 || room.empty() || (room_of(before, to) != room && room_of(players.rooms.seat_of, to) != room))
      return "the relay told a player of another room";
  }
  return "";
}

// The rooms' books agree with each other and with the limits.
std::string BooksProblem(const Rooms& rooms) {
  size_t seated = 0, by_address = 0;
  for (const auto& [code, room] : rooms.by_code) {
    if (!IsRoomCode(code)) return "a room with a code players cannot type";
    for (size_t seat = 0; seat < room.seats.size(); ++seat) {
      if (!room.seats[seat]) continue;
      seated += 1;
      const auto found = rooms.seat_of.find(*room.seats[seat]);
      if (found == rooms.seat_of.end() || found->second != std::pair(code, Seat(seat)))
        return "a seat and its player disagree";
    }
  }
  for (const auto& [address, count] : rooms.rooms_of_address) {
    if (count == 0 || count > rooms.limits.rooms_per_address) return "an address holds rooms beyond its limit";
    by_address += count;
  }
  if (seated != rooms.seat_of.size()) return "a player seated in no room";
  if (by_address != rooms.by_code.size()) return "rooms counted by address do not add up";
  if (rooms.by_code.size() > rooms.limits.most_rooms) return "more rooms than the relay allows";
  return "";
}

// The tickets the relay handed out, with the seats they were for.
void KeepTickets(Players& players, const RelayActions& actions) {
  for (const auto& [to, bytes] : actions.sends) {
    const auto read = ReadRelayMessage(bytes);
    const auto seated = players.rooms.seat_of.find(to);
    if (read && read->kind == MessageKind::Ticket && seated != players.rooms.seat_of.end())
      players.tickets.emplace_back(seated->second.first, seated->second.second, read->ticket);
  }
}

// The server's part: a closed connection sends nothing more and ends.
void CarryOutCloses(Players& players, const RelayActions& actions) {
  for (const auto& [who, why] : actions.closes) {
    for (ConnectionId& id : players.ids) {
      if (id != who) continue;
      OnGone(players.rooms, id, Departure::Lost);
      id = players.next_id++;
    }
  }
}

std::string Step(Players& players, Script& script) {
  const uint8_t step = script.Byte();
  const size_t at = step % Connections;
  const ConnectionId from = players.ids[at];
  const auto before = players.rooms.seat_of;
  players.now += std::chrono::milliseconds(20);
  MessageBytes bytes;
  bool binary = true;
  RelayActions actions;
  switch (step / Connections % 7) {
    case 0: {  // a whole message of any bytes
      const auto taken = script.Bytes(script.Byte());
      bytes.assign(taken.begin(), taken.end());
      binary = script.Byte() != 0xff;
      break;
    }
    case 1: {  // a join with a code that is open
      if (players.rooms.by_code.empty()) return "";
      auto room = players.rooms.by_code.begin();
      std::advance(room, script.Byte() % players.rooms.by_code.size());
      bytes = JoinMessage(room->first);
      break;
    }
    case 2:
      bytes = OpenMessage();
      break;
    case 3: {  // a game message, any seat claimed
      const auto payload = script.Bytes(script.Byte());
      bytes = GameMessage(Seat(script.Byte() & 1), payload);
      break;
    }
    case 4:  // the line ends
      actions = OnGone(players.rooms, from, script.Byte() & 1 ? Departure::Lost : Departure::Closed);
      players.ids[at] = players.next_id++;
      if (std::string problem = ActionsProblem(players, before, from, {}, actions); !problem.empty()) return problem;
      return BooksProblem(players.rooms);
    case 6: {  // a rejoin with a ticket the relay handed out, for any room and seat
      if (players.tickets.empty()) return "";
      const auto& [code, seat, ticket] = players.tickets[script.Byte() % players.tickets.size()];
      bytes = RejoinMessage(code, seat, ticket);
      break;
    }
    case 5:  // time passes: up to 255 s
      players.now += std::chrono::seconds(script.Byte());
      actions = OnTick(players.rooms, players.now);
      if (!actions.sends.empty()) return "the clock sent a message";
      CarryOutCloses(players, actions);
      return BooksProblem(players.rooms);
  }
  actions = OnMessage(players.rooms, {.from = from, .address = Addresses[at % 3], .bytes = bytes, .binary = binary,
                                      .now = players.now});
  if (std::string problem = ActionsProblem(players, before, from, bytes, actions); !problem.empty()) return problem;
  KeepTickets(players, actions);
  CarryOutCloses(players, actions);
  return BooksProblem(players.rooms);
}

}  // namespace

std::string CheckRelayInput(const uint8_t* data, size_t size) {
  // The whole input is also a versus replay file, as a player might load one.
  VersusReplay replay;
  std::string error;
  if (!ParseVersusReplay({data, size}, "fuzz", replay, error) && error.empty()) return "a refused replay without a reason";

  Players players;
  Script script{data, size};
  while (script.size > 0)
    if (std::string problem = Step(players, script); !problem.empty()) return problem;
  return "";
}
