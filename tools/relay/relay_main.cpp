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

constexpr const char* Usage = "usage: valdorik-relay [--port N] [--max-message BYTES] [--max-rooms N]\n";

void PrintHelp() {
  std::cout << Usage << "\n"
            << "Rooms for two-player games of VALDORIK, over WebSocket. One line on standard output\n"
            << "when it listens, and one per room opened and closed.\n\n"
            << "  --port N             the TCP port, on every IPv4 address (default " << DefaultRelayPort
            << "; 0 takes a free one)\n"
            << "  --max-message BYTES  the largest message a player may send, 16 to 1048576 (default "
            << RelayOptions{}.max_message << ")\n"
            << "  --max-rooms N        the most rooms open at once, 1 to 1000000 (default "
            << RelayOptions{}.max_rooms << ")\n"
            << "  --help               this text\n";
}

std::optional<uint64_t> WholeNumber(std::string_view text, uint64_t lo, uint64_t hi) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < lo || value > hi) return std::nullopt;
  return value;
}

struct OptionRange {
  const char* name;
  uint64_t lo, hi;
};

// The options into `options`; false with the reason said on stderr.
bool ReadOptions(int argc, char** argv, RelayOptions& options) {
  for (int i = 1; i < argc; i += 2) {
    const std::string_view name = argv[i];
    const OptionRange range = name == "--port"          ? OptionRange{"--port", 0, 65535}
                              : name == "--max-message" ? OptionRange{"--max-message", 16, 1 << 20}
                              : name == "--max-rooms"   ? OptionRange{"--max-rooms", 1, 1000000}
                                                        : OptionRange{nullptr, 0, 0};
    if (!range.name) {
      std::cerr << "valdorik-relay: unknown option '" << name << "'\n" << Usage;
      return false;
    }
    const auto value = i + 1 < argc ? WholeNumber(argv[i + 1], range.lo, range.hi) : std::nullopt;
    if (!value) {
      std::cerr << "valdorik-relay: " << name << " takes a whole number from " << range.lo << " to " << range.hi
                << "\n" << Usage;
      return false;
    }
    if (name == "--port") options.port = uint16_t(*value);
    if (name == "--max-message") options.max_message = *value;
    if (name == "--max-rooms") options.max_rooms = *value;
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
