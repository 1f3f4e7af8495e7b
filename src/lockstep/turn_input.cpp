#include "lockstep/turn_input.h"

#include "host/input.h"
#include "replay/replay_file.h"

namespace {

constexpr uint64_t MaxEventField = 65535;  // a key code, a button, a frame pixel

bool FitsKind(const HostEvent& event) {
  switch (event.kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp: return event.a <= MaxKeyCode && event.b == 0;
    case EventKind::ButtonDown:
    case EventKind::ButtonUp: return event.a <= ButtonRight && event.b == 0;
    default: return true;
  }
}

}  // namespace

bool IsTurnEvent(EventKind kind) {
  switch (kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp:
    case EventKind::PointerMove:
    case EventKind::ButtonDown:
    case EventKind::ButtonUp: return true;
    default: return false;
  }
}

void PutVarint(std::vector<uint8_t>& out, uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<uint8_t>(value));
}

bool GetVarint(std::span<const uint8_t> bytes, size_t& pos, uint64_t max, uint64_t& value) {
  value = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (pos >= bytes.size()) return false;
    const uint8_t byte = bytes[pos++];
    value |= uint64_t{byte & 0x7Fu} << shift;
    if (!(byte & 0x80)) return value <= max;
  }
  return false;
}

void AppendTurnInput(const TurnInput& input, std::vector<uint8_t>& out) {
  PutVarint(out, input.instant_keys);
  PutVarint(out, input.events.size());
  for (const HostEvent& event : input.events) {
    out.push_back(static_cast<uint8_t>(event.kind));
    PutVarint(out, static_cast<uint32_t>(event.a));
    if (event.kind == EventKind::PointerMove) PutVarint(out, static_cast<uint32_t>(event.b));
  }
}

bool ReadTurnInput(std::span<const uint8_t> bytes, size_t& pos, TurnInput& input) {
  input = {};
  uint64_t keys = 0, count = 0;
  if (!GetVarint(bytes, pos, (1u << InstantKeys.size()) - 1, keys)) return false;
  if (!GetVarint(bytes, pos, MaxTurnEvents, count)) return false;
  input.instant_keys = static_cast<uint16_t>(keys);
  for (uint64_t i = 0; i < count; ++i) {
    if (pos >= bytes.size()) return false;
    HostEvent event{.kind = static_cast<EventKind>(bytes[pos++])};
    if (!IsTurnEvent(event.kind)) return false;
    uint64_t a = 0, b = 0;
    if (!GetVarint(bytes, pos, MaxEventField, a)) return false;
    if (event.kind == EventKind::PointerMove && !GetVarint(bytes, pos, MaxEventField, b)) return false;
    event.a = static_cast<int>(a);
    event.b = static_cast<int>(b);
    if (!FitsKind(event)) return false;
    input.events.push_back(event);
  }
  return true;
}
