#include "platform/command_line.h"

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
    "       valdorik --help | --version\n"
    "  --replay FILE      play a recorded game back in the window; Escape ends it\n"
    "  --continue [FILE]  play on from where a recorded game ended (the newest replay\n"
    "                     when no FILE is given); the new replay holds the whole game\n"
    "  --record FILE      record this game into FILE (by default every game is recorded\n"
    "                     into " REPLAY_FOLDER_TEXT ", the newest 50 kept)\n"
    "  --dump-final FILE  at exit, write the final state as one line in valdorik-sim's dump format\n"
    "  --scale N          a window N times 640 x 480 (1 to 8); by default the largest that fits\n"
    "  --fullscreen       the whole screen, the picture as large as it fits; Alt+Enter switches\n"
    "                     between window and fullscreen. The last choice is kept for the next game\n";

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

}  // namespace

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
  return true;
}
