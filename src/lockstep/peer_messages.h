// What the two players' games say to each other, inside the relay's game
// messages: the start of the game, each turn's input, the state hashes
// that catch games falling out of step, and the pings that time the line.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "lockstep/turn_input.h"

enum class PeerKind : uint8_t {
  Start = 1,  // host: the seed, the input delay, the game's version
  Turn = 2,   // the sender's inputs to consecutive turns, from `turn` on
  Hash = 3,   // the sender's state hash after a turn
  Ping = 4,   // a stamp of the sender's clock, sent back as it is in a Pong
  Pong = 5,
};

constexpr int MaxInputDelay = 60;      // turns
constexpr int64_t MaxTurn = 1LL << 34;  // over nine years at 60 turns a second
constexpr size_t MaxPeerVersionLength = 32;
// Inputs go three turns to a message: a third of the messages a relay
// carries (its cost is per message), for two more turns of the input delay
// spent waiting. Three turns of the most events stay inside the relay's
// largest message.
constexpr size_t TurnsPerMessage = 3;

struct PeerMessage {
  PeerKind kind = PeerKind::Start;
  uint32_t seed = 0;             // Start
  int input_delay = 0;           // Start
  std::string game_version{};    // Start
  int64_t turn = 0;              // Turn, Hash
  std::vector<TurnInput> inputs{};  // Turn: 1 to TurnsPerMessage of them
  uint64_t hash = 0;             // Hash
  uint32_t stamp = 0;            // Ping, Pong
};

std::vector<uint8_t> StartPayload(uint32_t seed, int input_delay, const std::string& game_version);
std::vector<uint8_t> TurnPayload(int64_t first_turn, std::span<const TurnInput> inputs);
std::vector<uint8_t> HashPayload(int64_t turn, uint64_t hash);
std::vector<uint8_t> PingPayload(PeerKind kind, uint32_t stamp);

// The message, or nothing when the bytes are not exactly one well-formed message.
std::optional<PeerMessage> ReadPeerMessage(std::span<const uint8_t> bytes);
