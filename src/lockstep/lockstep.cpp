#include "lockstep/lockstep.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <map>

#include "base/file_names.h"
#include "host/input.h"
#include "lockstep/peer_messages.h"
#include "lockstep/versus_replay.h"
#include "world/world.h"

std::string ConnectionWords;

namespace {

struct Engine {
  int local_seat = 0;
  SendToPeer send = nullptr;
  int64_t next_turn = 0;  // the turn TryNextTurn runs next (numbered from 0)
  std::vector<HostEvent> pending;  // local events for the next input made
  std::array<std::map<int64_t, TurnInput>, SeatCount> inputs;
  std::deque<TurnInput> made;  // our last inputs, to the turns up to the newest: what a friend back from a drop may lack
  int64_t newest_made = -1;    // the turn of made.back()
  size_t unsent = 0;           // of the newest made, those not sent yet
  std::map<int64_t, uint64_t> local_hashes, peer_hashes;
  std::deque<std::string> dumps;  // the last turns' states, for a desync report
  double next_ping_ms = 0;
  int64_t planted_turn = -1;
  std::string report_stem;
  LockstepStatus status;
} E;

int PeerSeat() { return OpponentOf(E.local_seat); }

void Send(const std::vector<uint8_t>& payload) {
  if (E.send && !E.status.peer_gone) E.send(payload);
}

// Our newest `count` inputs, in messages of TurnsPerMessage turns at most.
void SendMade(size_t count) {
  const std::vector<TurnInput> inputs(E.made.end() - static_cast<std::ptrdiff_t>(count), E.made.end());
  const int64_t first = E.newest_made + 1 - static_cast<int64_t>(count);
  for (size_t at = 0; at < count; at += TurnsPerMessage)
    Send(TurnPayload(first + static_cast<int64_t>(at),
                     std::span(inputs).subspan(at, std::min(TurnsPerMessage, count - at))));
  E.unsent = 0;
}

// The local input to the turn InputDelay ahead of the next, made once.
void MakeLocalInput(uint16_t instant_keys) {
  const int64_t turn = E.next_turn + InputDelay;
  auto& mine = E.inputs[E.local_seat];
  if (mine.contains(turn)) return;
  TurnInput input{.events = {}, .instant_keys = instant_keys};
  const size_t taken = std::min(E.pending.size(), MaxTurnEvents);
  input.events.assign(E.pending.begin(), E.pending.begin() + static_cast<std::ptrdiff_t>(taken));
  E.pending.erase(E.pending.begin(), E.pending.begin() + static_cast<std::ptrdiff_t>(taken));
  E.made.push_back(input);
  E.newest_made = turn;
  if (E.made.size() > KeptInputs) E.made.pop_front();
  if (++E.unsent == TurnsPerMessage) SendMade(TurnsPerMessage);
  mine.emplace(turn, std::move(input));
}

void WriteDesyncReport(uint64_t mine, uint64_t theirs) {
  if (E.report_stem.empty()) return;
  const std::string report = E.report_stem + "-desync.txt", input = E.report_stem + "-desync.replay";
  std::fprintf(stderr, "valdorik: out of step with the other game at turn %lld: the report is %s\n",
               static_cast<long long>(E.status.desync_turn), report.c_str());
  std::FILE* file = OpenFile(report, "wb");
  if (!file) return;
  std::fprintf(file, "Out of step at turn %lld: this game's state hash %016llx, the other game's %016llx.\n",
               static_cast<long long>(E.status.desync_turn), static_cast<unsigned long long>(mine),
               static_cast<unsigned long long>(theirs));
  std::fprintf(file, "The input so far: %s. The states after the last %zu turns follow.\n", input.c_str(),
               E.dumps.size());
  for (const std::string& dump : E.dumps) std::fputs(dump.c_str(), file);
  std::fclose(file);
  const std::vector<uint8_t> bytes = VersusReplaySoFar();
  if (std::FILE* copy = OpenFile(input, "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), copy);
    std::fclose(copy);
  }
  E.status.report = report;
}

void CompareHashes(int64_t turn) {
  const auto mine = E.local_hashes.find(turn), theirs = E.peer_hashes.find(turn);
  if (mine == E.local_hashes.end() || theirs == E.peer_hashes.end()) return;
  if (mine->second != theirs->second && E.status.desync_turn < 0) {
    E.status.desync_turn = turn;
    WriteDesyncReport(mine->second, theirs->second);
  }
  E.local_hashes.erase(mine);
  E.peer_hashes.erase(theirs);
}

// `turn`: the turns run so far, as the dumps count them.
void AfterTurn(int64_t turn) {
  if (turn == E.planted_turn) TreasuryOf(EmpirePlayer) += 1.0f;
  std::string dump;
  AppendVersusDump(VersusTurn, dump);
  E.dumps.push_back(std::move(dump));
  if (E.dumps.size() > KeptDumps) E.dumps.pop_front();
  if (turn % HashEveryTurns != 0) return;
  const uint64_t hash = VersusStateHash();
  E.local_hashes[turn] = hash;
  Send(HashPayload(turn, hash));
  CompareHashes(turn);
}

// Turns are only ever taken a few ahead of the one due: anything far
// beyond is not from a game in step with ours.
bool IsTurnInReach(int64_t turn) { return turn >= E.next_turn && turn <= E.next_turn + 4 * InputDelay + 600; }

}  // namespace

void BeginLockstep(int local_seat, uint32_t seed, SendToPeer send) {
  E = {};
  E.local_seat = local_seat;
  E.send = send;
  for (auto& seat_inputs : E.inputs)
    for (int64_t turn = 0; turn < InputDelay; ++turn) seat_inputs.emplace(turn, TurnInput{});
  StartVersusGame(seed, local_seat);
}

void AddLocalEvent(const HostEvent& event) {
  if (IsTurnEvent(event.kind)) E.pending.push_back(event);
}

bool TryNextTurn(uint16_t instant_keys) {
  MakeLocalInput(instant_keys);
  const int64_t turn = E.next_turn;
  const bool peer_in = E.inputs[PeerSeat()].contains(turn);
  E.status.waiting = !peer_in && !E.status.peer_gone;
  if (E.status.waiting) return false;
  if (!peer_in && PlayedBy[PeerSeat()]) {
    WriteVersusTakeOver(PeerSeat());
    HandOverToComputer(PeerSeat());
  }
  std::array<TurnInput, SeatCount> inputs{};
  for (int seat = 0; seat < SeatCount; ++seat) {
    auto& seat_inputs = E.inputs[seat];
    if (auto found = seat_inputs.find(turn); found != seat_inputs.end()) {
      if (PlayedBy[seat]) inputs[seat] = std::move(found->second);
      seat_inputs.erase(found);
    }
  }
  RunVersusTurn(inputs);
  WriteVersusTurn(inputs);
  ++E.next_turn;
  AfterTurn(VersusTurn);
  return true;
}

void TakePeerPayload(std::span<const uint8_t> payload, double now_ms) {
  const std::optional<PeerMessage> message = ReadPeerMessage(payload);
  if (!message) return;
  switch (message->kind) {
    case PeerKind::Turn:
      for (size_t i = 0; i < message->inputs.size(); ++i) {
        const int64_t turn = message->turn + static_cast<int64_t>(i);
        if (IsTurnInReach(turn)) E.inputs[PeerSeat()].emplace(turn, message->inputs[i]);
      }
      break;
    case PeerKind::Hash:
      if (message->turn % HashEveryTurns != 0 || message->turn > E.next_turn + 600) break;
      E.peer_hashes.emplace(message->turn, message->hash);
      CompareHashes(message->turn);
      break;
    case PeerKind::Ping: Send(PingPayload(PeerKind::Pong, message->stamp)); break;
    case PeerKind::Pong: E.status.round_trip_ms = static_cast<uint32_t>(now_ms) - message->stamp; break;
    case PeerKind::Start: break;
  }
}

void PingPeer(double now_ms) {
  if (now_ms < E.next_ping_ms) return;
  E.next_ping_ms = now_ms + PingEveryMs;
  Send(PingPayload(PeerKind::Ping, static_cast<uint32_t>(now_ms)));
}

void ResendRecentInputs() { SendMade(E.made.size()); }

void PeerGone() {
  E.status.peer_gone = true;
  E.status.waiting = false;
}

const LockstepStatus& Lockstep() { return E.status; }
void SetDesyncReportStem(const std::string& stem) { E.report_stem = stem; }
void PlantDivergence(int64_t turn) { E.planted_turn = turn; }
