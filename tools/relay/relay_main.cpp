// valdorik-relay: the meeting point of a versus game's two players. One host
// opens a room and reads its code to a friend, who joins with it; the relay
// passes their game messages on, each stamped with the seat it came from.
#include <charconv>
#include <cstring>
#include <iostream>
#include <optional>
#include <string_view>

#include "relay_server.h"

namespace {

constexpr const char* Usage =
    "usage: valdorik-relay [--port N] [--name LETTER] [--max-message BYTES] [--max-rooms N]\n"
    "                      [--rooms-per-address N] [--messages-per-second N] [--waiting-seconds N]\n"
    "                      [--quiet-seconds N] [--handshake-seconds N] [--idle-seconds N]\n";

void PrintHelp() {
  const RelayOptions defaults;
  const RelayLimits& limits = defaults.limits;
  std::cout << Usage << "\n"
            << "Rooms for two-player games of VALDORIK, over WebSocket. One line on standard output\n"
            << "when it listens, and one per room opened and closed. An HTTP GET of /health on the\n"
            << "same port answers \"ok N rooms\".\n\n"
            << "  --port N                 the TCP port, on every IPv4 address (default " << DefaultRelayPort
            << "; 0 takes a free one)\n"
            << "  --name LETTER            every room code begins with this letter, one of " << RoomCodeLetters
            << ",\n"
            << "                           so that codes name their relay when several share the players\n"
            << "  --max-message BYTES      the largest message a player may send, 16 to 1048576 (default "
            << defaults.max_message << ")\n"
            << "  --max-rooms N            the most rooms open at once, 1 to 1000000 (default "
            << limits.most_rooms << ")\n"
            << "  --rooms-per-address N    the most rooms open at once from one IP address (default "
            << limits.rooms_per_address << ")\n"
            << "  --messages-per-second N  more from one connection in a second cut it off (default "
            << limits.messages_per_second << ")\n"
            << "  --waiting-seconds N      a room whose friend never came closes after this (default "
            << limits.waiting_time.count() << ")\n"
            << "  --quiet-seconds N        a room without game messages this long closes (default "
            << limits.quiet_time.count() << ")\n"
            << "  --handshake-seconds N    a connection that has not opened its WebSocket by then is cut\n"
            << "                           off (default " << defaults.handshake_time.count() << ")\n"
            << "  --idle-seconds N         a player's line silent half this long is pinged, and cut off\n"
            << "                           when silent this long (default " << defaults.idle_time.count() << ")\n"
            << "  --help                   this text\n";
}

std::optional<uint64_t> WholeNumber(std::string_view text, uint64_t lo, uint64_t hi) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < lo || value > hi) return std::nullopt;
  return value;
}

struct NumberOption {
  const char* name;
  uint64_t lo, hi;
  void (*set)(RelayOptions&, uint64_t);
};

constexpr uint64_t Day = 86400;
constexpr NumberOption NumberOptions[] = {
    {"--port", 0, 65535, [](RelayOptions& o, uint64_t v) { o.port = uint16_t(v); }},
    {"--max-message", 16, 1 << 20, [](RelayOptions& o, uint64_t v) { o.max_message = v; }},
    {"--max-rooms", 1, 1000000, [](RelayOptions& o, uint64_t v) { o.limits.most_rooms = v; }},
    {"--rooms-per-address", 1, 1000000, [](RelayOptions& o, uint64_t v) { o.limits.rooms_per_address = v; }},
    {"--messages-per-second", 1, 1000000,
     [](RelayOptions& o, uint64_t v) { o.limits.messages_per_second = uint32_t(v); }},
    {"--waiting-seconds", 1, Day, [](RelayOptions& o, uint64_t v) { o.limits.waiting_time = std::chrono::seconds(v); }},
    {"--quiet-seconds", 1, Day, [](RelayOptions& o, uint64_t v) { o.limits.quiet_time = std::chrono::seconds(v); }},
    {"--handshake-seconds", 1, 600, [](RelayOptions& o, uint64_t v) { o.handshake_time = std::chrono::seconds(v); }},
    {"--idle-seconds", 2, 3600, [](RelayOptions& o, uint64_t v) { o.idle_time = std::chrono::seconds(v); }},
};

// The options into `options`; false with the reason said on stderr.
bool ReadOptions(int argc, char** argv, RelayOptions& options) {
  for (int i = 1; i < argc; i += 2) {
    const std::string_view name = argv[i];
    const std::string_view value = i + 1 < argc ? argv[i + 1] : "";
    if (name == "--name") {
      if (value.size() != 1 || RoomCodeLetters.find(value[0]) == std::string_view::npos) {
        std::cerr << "valdorik-relay: --name takes one letter of " << RoomCodeLetters << "\n" << Usage;
        return false;
      }
      options.limits.name = value[0];
      continue;
    }
    const NumberOption* option = nullptr;
    for (const NumberOption& known : NumberOptions)
      if (name == known.name) option = &known;
    if (!option) {
      std::cerr << "valdorik-relay: unknown option '" << name << "'\n" << Usage;
      return false;
    }
    const auto number = WholeNumber(value, option->lo, option->hi);
    if (!number) {
      std::cerr << "valdorik-relay: " << name << " takes a whole number from " << option->lo << " to " << option->hi
                << "\n" << Usage;
      return false;
    }
    option->set(options, *number);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintHelp();
    return 0;
  }
  RelayOptions options;
  if (!ReadOptions(argc, argv, options)) return 2;
  return RunRelay(options, std::cout, std::cerr);
}
