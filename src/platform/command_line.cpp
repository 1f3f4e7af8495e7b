#include "platform/command_line.h"

#include <exception>
#include <string>

#include "base/file_names.h"

// Where a game's replays go unless --record says otherwise.
#ifdef _WIN32
#define REPLAY_FOLDER_TEXT "%APPDATA%\\valdorik\\replays"
#else
#define REPLAY_FOLDER_TEXT "$XDG_DATA_HOME/valdorik/replays"
#endif

const char* const GameUsage =
    "usage: valdorik [--replay FILE | --continue [FILE] | --record FILE] [--dump-final FILE]\n"
    "                [--scale N] [--fullscreen]\n"
    "       valdorik --host [RELAY] | --join CODE [RELAY]   [--record FILE] [--dump-final FILE]\n"
    "       valdorik --help | --version\n"
    "  --replay FILE      play a recorded game back in the window; Escape ends it\n"
    "  --continue [FILE]  play on from where a recorded game ended (the newest replay\n"
    "                     when no FILE is given); the new replay holds the whole game\n"
    "  --record FILE      record this game into FILE (by default every game is recorded\n"
    "                     into " REPLAY_FOLDER_TEXT ", the newest 50 kept)\n"
    "  --dump-final FILE  at exit, write the final state as one line in valdorik-sim's dump format\n"
    "  --scale N          a window N times 640 x 480 (1 to 8); by default the largest that fits\n"
    "  --fullscreen       the whole screen, the picture as large as it fits; Alt+Enter switches\n"
    "                     between window and fullscreen. The last choice is kept for the next game\n"
    "  --host [RELAY]     play against a friend: open a room on the relay and show its code\n"
    "  --join CODE [RELAY]  join the friend's room; RELAY is host:port, by default " "127.0.0.1:6473" "\n"
    "  --seat N           watch a versus replay from the host's side (0, the default) or the friend's (1)\n"
    "  --desync-at TURN   a testing aid: this game's state is bent after TURN, to show a desync\n";

namespace {

std::string FromStartFolder(const std::string& file, const std::string& start_dir) {
  if (start_dir.empty() || PathFromUtf8(file).is_absolute()) return file;
  return Utf8FromPath(PathFromUtf8(start_dir) / PathFromUtf8(file));
}

bool TakeFile(int argc, char** argv, int& i, const std::string& start_dir, std::string& file, std::string& error) {
  const std::string option = argv[i];
  if (!file.empty()) {
    error = option + " given more than once";
    return false;
  }
  if (i + 1 >= argc || argv[i + 1][0] == '\0') {
    error = option + " needs a file name";
    return false;
  }
  file = FromStartFolder(argv[++i], start_dir);
  return true;
}

// --continue takes the next word as its file unless it is another option.
bool TakeContinued(int argc, char** argv, int& i, const std::string& start_dir, GameOptions& options,
                   std::string& error) {
  if (options.continue_game) {
    error = "--continue given more than once";
    return false;
  }
  options.continue_game = true;
  const bool file_follows = i + 1 < argc && argv[i + 1][0] != '\0' && std::string(argv[i + 1]).rfind("--", 0) != 0;
  if (file_follows) options.continued = FromStartFolder(argv[++i], start_dir);
  return true;
}

bool TakeScale(int argc, char** argv, int& i, int& scale, std::string& error) {
  if (scale != 0) {
    error = "--scale given more than once";
    return false;
  }
  const std::string value = i + 1 < argc ? argv[i + 1] : "";
  if (value.size() != 1 || value[0] < '1' || value[0] > '8') {
    error = "--scale needs a whole number from 1 to 8";
    return false;
  }
  scale = value[0] - '0';
  ++i;
  return true;
}

// The optional RELAY after --host or --join.
void TakeRelay(int argc, char** argv, int& i, GameOptions& options) {
  const bool relay_follows = i + 1 < argc && argv[i + 1][0] != '\0' && std::string(argv[i + 1]).rfind("--", 0) != 0;
  if (relay_follows) options.relay = argv[++i];
}

bool TakeNumber(int argc, char** argv, int& i, long long low, long long high, long long& value, std::string& error) {
  const std::string option = argv[i];
  const std::string text = i + 1 < argc ? argv[i + 1] : "";
  size_t used = 0;
  try {
    value = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (text.empty() || used != text.size() || value < low || value > high) {
    error = option + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    return false;
  }
  ++i;
  return true;
}

bool TakeVersus(int argc, char** argv, int& i, GameOptions& options, std::string& error) {
  const std::string option = argv[i];
  if (options.host || !options.join.empty()) {
    error = "--host and --join: give one of them, once";
    return false;
  }
  if (option == "--join") {
    if (i + 1 >= argc || argv[i + 1][0] == '\0' || std::string(argv[i + 1]).rfind("--", 0) == 0) {
      error = "--join needs the room's code";
      return false;
    }
    options.join = argv[++i];
  }
  options.host = option == "--host";
  TakeRelay(argc, argv, i, options);
  return true;
}

bool CheckVersus(const GameOptions& options, std::string& error) {
  const bool versus = options.host || !options.join.empty();
  std::string host;
  int port = 0;
  if (versus && (!options.replay.empty() || options.continue_game))
    error = "--host and --join start a new game: --replay and --continue cannot go with them";
  else if (!options.relay.empty() && !SplitRelayAddress(options.relay, host, port))
    error = "'" + options.relay + "' is not a relay's address: give it as host:port, as " + DefaultRelay;
  else if (options.seat != 0 && options.replay.empty())
    error = "--seat goes with --replay";
  else if (options.desync_at >= 0 && !versus)
    error = "--desync-at goes with --host or --join";
  return error.empty();
}

}  // namespace

bool SplitRelayAddress(const std::string& relay, std::string& host, int& port) {
  const size_t colon = relay.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == relay.size() || relay.size() - colon > 6) return false;
  port = 0;
  for (size_t i = colon + 1; i < relay.size(); ++i) {
    if (relay[i] < '0' || relay[i] > '9') return false;
    port = port * 10 + (relay[i] - '0');
  }
  host = relay.substr(0, colon);
  return port >= 1 && port <= 65535;
}

bool ParseGameOptions(int argc, char** argv, const std::string& start_dir, GameOptions& options,
                      std::string& error) {
  options = GameOptions{};
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--version") {
      options.version = true;
    } else if (option == "--replay") {
      if (!TakeFile(argc, argv, i, start_dir, options.replay, error)) return false;
    } else if (option == "--record") {
      if (!TakeFile(argc, argv, i, start_dir, options.record, error)) return false;
    } else if (option == "--continue") {
      if (!TakeContinued(argc, argv, i, start_dir, options, error)) return false;
    } else if (option == "--dump-final") {
      if (!TakeFile(argc, argv, i, start_dir, options.dump_final, error)) return false;
    } else if (option == "--scale") {
      if (!TakeScale(argc, argv, i, options.scale, error)) return false;
    } else if (option == "--fullscreen") {
      options.fullscreen = true;
    } else if (option == "--host" || option == "--join") {
      if (!TakeVersus(argc, argv, i, options, error)) return false;
    } else if (option == "--seat") {
      long long seat = 0;
      if (!TakeNumber(argc, argv, i, 0, 1, seat, error)) return false;
      options.seat = static_cast<int>(seat);
    } else if (option == "--desync-at") {
      if (!TakeNumber(argc, argv, i, 0, 1LL << 34, options.desync_at, error)) return false;
    } else {
      error = "unknown option '" + option + "'";
      return false;
    }
  }
  if (!options.replay.empty() && !options.record.empty()) {
    error = "--replay records nothing: --record cannot go with it";
    return false;
  }
  if (!options.replay.empty() && options.continue_game) {
    error = "--replay watches a game, --continue plays one on: they cannot go together";
    return false;
  }
  return CheckVersus(options, error);
}
