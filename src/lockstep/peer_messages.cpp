#include "lockstep/peer_messages.h"

namespace {

void PutFixed(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

bool GetFixed(std::span<const uint8_t> bytes, size_t& pos, int count, uint64_t& value) {
  if (bytes.size() - pos < static_cast<size_t>(count)) return false;
  value = 0;
  for (int i = 0; i < count; ++i) value |= uint64_t{bytes[pos++]} << (8 * i);
  return true;
}

bool ReadBody(std::span<const uint8_t> bytes, size_t& pos, PeerMessage& message) {
  uint64_t value = 0;
  switch (message.kind) {
    case PeerKind::Start: {
      if (!GetFixed(bytes, pos, 4, value)) return false;
      message.seed = static_cast<uint32_t>(value);
      if (!GetVarint(bytes, pos, MaxInputDelay, value)) return false;
      message.input_delay = static_cast<int>(value);
      if (!GetVarint(bytes, pos, MaxPeerVersionLength, value) || bytes.size() - pos < value) return false;
      message.game_version.assign(bytes.begin() + pos, bytes.begin() + pos + value);
      pos += value;
      return true;
    }
    case PeerKind::Turn: {
      if (!GetVarint(bytes, pos, MaxTurn, value)) return false;
      message.turn = static_cast<int64_t>(value);
      uint64_t count = 0;
      if (!GetVarint(bytes, pos, TurnsPerMessage, count) || count == 0) return false;
      message.inputs.resize(count);
      for (TurnInput& input : message.inputs)
        if (!ReadTurnInput(bytes, pos, input)) return false;
      return true;
    }
    case PeerKind::Hash:
      if (!GetVarint(bytes, pos, MaxTurn, value)) return false;
      message.turn = static_cast<int64_t>(value);
      return GetFixed(bytes, pos, 8, message.hash);
    case PeerKind::Ping:
    case PeerKind::Pong:
      if (!GetFixed(bytes, pos, 4, value)) return false;
      message.stamp = static_cast<uint32_t>(value);
      return true;
  }
  return false;
}

}  // namespace

std::vector<uint8_t> StartPayload(uint32_t seed, int input_delay, const std::string& game_version) {
  std::vector<uint8_t> out{static_cast<uint8_t>(PeerKind::Start)};
  PutFixed(out, seed, 4);
  PutVarint(out, static_cast<uint64_t>(input_delay));
  const std::string version = game_version.substr(0, MaxPeerVersionLength);
  PutVarint(out, version.size());
  out.insert(out.end(), version.begin(), version.end());
  return out;
}

std::vector<uint8_t> TurnPayload(int64_t first_turn, std::span<const TurnInput> inputs) {
  std::vector<uint8_t> out{static_cast<uint8_t>(PeerKind::Turn)};
  PutVarint(out, static_cast<uint64_t>(first_turn));
  PutVarint(out, inputs.size());
  for (const TurnInput& input : inputs) AppendTurnInput(input, out);
  return out;
}

std::vector<uint8_t> HashPayload(int64_t turn, uint64_t hash) {
  std::vector<uint8_t> out{static_cast<uint8_t>(PeerKind::Hash)};
  PutVarint(out, static_cast<uint64_t>(turn));
  PutFixed(out, hash, 8);
  return out;
}

std::vector<uint8_t> PingPayload(PeerKind kind, uint32_t stamp) {
  std::vector<uint8_t> out{static_cast<uint8_t>(kind)};
  PutFixed(out, stamp, 4);
  return out;
}

std::optional<PeerMessage> ReadPeerMessage(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return std::nullopt;
  PeerMessage message;
  message.kind = static_cast<PeerKind>(bytes[0]);
  size_t pos = 1;
  if (!ReadBody(bytes, pos, message) || pos != bytes.size()) return std::nullopt;
  return message;
}
