// Window-side code shared by the SDL and the Win32 backends (the _gl suffix
// keeps it out of the headless core, which has no window to open).
#include "platform/game_entry.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "host/input.h"
#include "loop/main_loop.h"
#include "loop/startup.h"
#include "pictures/game_folder.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "render/drawing.h"
#include "replay/file_names.h"
#include "replay/game_options.h"
#include "replay/playback.h"
#include "replay/recording.h"
#include "replay/replay_file.h"
#include "replay/state_dump.h"
#include "replay/version.h"

namespace {

// A game that cannot be recorded is still played; the player is told once.
void RecordGame(std::string path) {
  std::string error;
  if (path.empty()) {
    const std::string folder = ReplayFolder();
    if (folder.empty()) error = NoReplayFolder;
    if (!folder.empty()) path = NewReplayPath(folder, std::time(nullptr), KeptReplays, error);
  }
  if (!path.empty() && StartRecording(path, error)) return;
  std::fprintf(stderr, "VALDORIK: this game is not recorded: %s\n", error.c_str());
}

void WriteFinalDump(const std::string& path) {
  std::string line;
  AppendStateDump(IdlePasses, line);
  FILE* file = OpenFile(path, "wb");
  const bool written = file && std::fwrite(line.data(), 1, line.size(), file) == line.size();
  if (file && std::fclose(file) != 0) file = nullptr;
  if (!written || !file) std::fprintf(stderr, "VALDORIK: cannot write the final state to %s\n", path.c_str());
}

// The command line's choice of window over the one kept from the last game;
// a new choice is kept for the next.
void ChooseWindow(const GameOptions& options) {
  ScreenChoice asked;
  if (options.scale) asked.scale = options.scale;
  if (options.fullscreen) asked.fullscreen = true;
  const std::string settings = ScreenSettingsFile();
  ChooseScreen(asked, ReadScreenSettings(settings));
  if (asked.scale || asked.fullscreen) SaveScreenSettings(settings);
}

ExitStatus PlayGame(const GameOptions& options, const WindowBackend& backend) {
  Replay replay;
  std::string error;
  if (!options.replay.empty()) {
    if (!ReadReplayFile(options.replay, replay, error)) {
      std::fprintf(stderr, "valdorik: %s\n", error.c_str());
      return ExitStatus::BadInput;
    }
    if (!replay.complete) std::fprintf(stderr, "valdorik: %s\n", replay.cut_note.c_str());
  }
  Fullscreen = false;
  ChooseWindow(options);
  Host = backend.host();
  if (options.replay.empty())
    RecordGame(options.record);
  else
    StartPlayback(replay, options.replay, backend.host());
  // A start that fails has already told why; it is a failure for the caller too.
  if (!CreateGameWindow("VALDORIK", WindowWidth, WindowHeight, ColorBits, Fullscreen)) {
    StopRecording();
    backend.shut_down();
    return ExitStatus::FailedStart;
  }
  StartDrawing();
  StartGame();
  MainLoop();
  StopRecording();
  if (!PlaybackProblem().empty())
    std::fprintf(stderr, "valdorik: the replay does not match this game: %s\n", PlaybackProblem().c_str());
  if (!options.dump_final.empty()) WriteFinalDump(options.dump_final);
  DestroyGameWindow();
  ReleaseDrawing();
  ReleaseGame();
  backend.shut_down();
  return ExitStatus::Ok;
}

}  // namespace

ExitStatus GameMain(int argc, char** argv, const WindowBackend& backend) {
  GameOptions options;
  std::string error, no_pictures;
  // File names on the command line are the player's, from where they started.
  std::string start_dir = EnterGameFolder(backend.own_folder(), no_pictures);
  if (const char* launcher_start = std::getenv("VALDORIK_START_DIR")) start_dir = launcher_start;
  if (!ParseGameOptions(argc, argv, start_dir, options, error)) {
    std::fprintf(stderr, "valdorik: %s\n%s", error.c_str(), GameUsage);
    return ExitStatus::BadInput;
  }
  if (options.help) {
    std::fputs(GameUsage, stdout);
    return ExitStatus::Ok;
  }
  if (options.version) {
    std::printf("valdorik %s\n", GameVersion());
    return ExitStatus::Ok;
  }
  if (!no_pictures.empty()) std::fprintf(stderr, "VALDORIK: %s\n", no_pictures.c_str());
  return PlayGame(options, backend);
}
