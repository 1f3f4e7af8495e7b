#include "platform/game_entry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "base/file_names.h"
#include "base/user_folders.h"
#include "base/version.h"
#include "host/input.h"
#include "lockstep/versus_game.h"
#include "lockstep/versus_replay.h"
#include "loop/continuation.h"
#include "loop/game_clock.h"
#include "loop/frame.h"
#include "loop/main_loop.h"
#include "loop/startup.h"
#include "pictures/game_folder.h"
#include "platform/backend.h"
#include "platform/command_line.h"
#include "platform/event_queue.h"
#include "platform/screen.h"
#include "platform/versus_session.h"
#include "render/drawing.h"
#include "replay/playback.h"
#include "replay/recording.h"
#include "replay/replay_file.h"
#include "replay/replay_folder.h"
#include "replay/state_dump.h"

namespace {

// A game that cannot be recorded is still played; the player is told once.
void RecordGame(std::string path, const std::vector<ReplayRecord>& past) {
  std::string error;
  if (path.empty()) {
    const std::string folder = ReplayFolder();
    if (folder.empty()) error = NoReplayFolder;
    if (!folder.empty()) path = NewReplayPath(folder, std::time(nullptr), KeptReplays, error);
  }
  if (!path.empty() && StartRecording(path, error, past)) return;
  std::fprintf(stderr, "valdorik: this game is not recorded: %s\n", error.c_str());
}

// False after saying why on stderr; a file cut short is said and kept.
bool ReadReplayToPlay(const std::string& path, Replay& replay) {
  std::string error;
  if (!ReadReplayFile(path, replay, error)) {
    std::fprintf(stderr, "valdorik: %s\n", error.c_str());
    return false;
  }
  if (!replay.complete) std::fprintf(stderr, "valdorik: %s\n", replay.cut_note.c_str());
  return true;
}

// The replay --continue names, or the newest one; empty after saying why.
std::string ReplayToContinue(const GameOptions& options) {
  if (!options.continued.empty()) return options.continued;
  const std::string folder = ReplayFolder();
  if (folder.empty()) {
    std::fprintf(stderr, "valdorik: nothing to continue: %s\n", NoReplayFolder);
    return "";
  }
  const std::string newest = NewestReplay(folder);
  if (newest.empty()) std::fprintf(stderr, "valdorik: nothing to continue: no replay in %s\n", folder.c_str());
  return newest;
}

// The new recording must not overwrite the game it continues.
bool RecordsOver(const std::string& record, const std::string& continued) {
  std::error_code ignored;
  return !record.empty() && std::filesystem::equivalent(PathFromUtf8(record), PathFromUtf8(continued), ignored);
}

// --continue: the recorded game played up to its end without a window, and
// what was held then let go. Returns the new recording's opening records;
// false after saying why.
bool PlayThePast(const GameOptions& options, std::vector<ReplayRecord>& past) {
  const std::string path = ReplayToContinue(options);
  Replay replay;
  if (path.empty() || !ReadReplayToPlay(path, replay)) return false;
  if (RecordsOver(options.record, path)) {
    std::fprintf(stderr, "valdorik: --record %s would overwrite the game it continues\n", options.record.c_str());
    return false;
  }
  const Replay before_end = ReplayBeforeItsEnd(replay);
  if (!replay.complete)
    std::fprintf(stderr, "valdorik: the game continues from pass %lld, the last complete one\n",
                 static_cast<long long>(before_end.passes));
  std::string problem;
  if (!PlayRecordedPast(before_end, path, problem)) {
    std::fprintf(stderr, "valdorik: the replay does not match this game: %s\n", problem.c_str());
    ReleaseGame();
    return false;
  }
  past = before_end.records;
  const std::vector<ReplayRecord> releases = ReleaseHeldInput();
  past.insert(past.end(), releases.begin(), releases.end());
  return true;
}

void WriteFinalDump(const std::string& path) {
  std::string line;
  if (VersusPlaying)
    AppendVersusDump(VersusTurn, line);
  else
    AppendStateDump(IdlePasses, line);
  FILE* file = OpenFile(path, "wb");
  const bool written = file && std::fwrite(line.data(), 1, line.size(), file) == line.size();
  if (file && std::fclose(file) != 0) file = nullptr;
  if (!written || !file) std::fprintf(stderr, "valdorik: cannot write the final state to %s\n", path.c_str());
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

// The run under way: its options, the replay it plays, and where it stands.
enum class RunPhase { Playing, ShowingEnd };
// One player, a versus game, or a versus game's replay watched.
enum class RunKind { Alone, Versus, VersusReplay };
RunKind Kind = RunKind::Alone;
GameOptions RunOptions;
Replay RunReplay;  // the playback reads it until the run ends
RunPhase Phase = RunPhase::Playing;

// A watched replay played to its end says so on its last frame, which stays
// until the watcher leaves with Escape or by closing the window. Not with
// --dump-final: scripts and tests that compare final states must end by
// themselves, as they always have.
bool ShowsEndOfReplay(const GameOptions& options) { return !options.replay.empty() && options.dump_final.empty(); }

// One step of the end's still frame, on the game's clock; false once the
// watcher has left.
bool StepEndOfReplay(double now_ms) {
  if (Kind == RunKind::VersusReplay ? VersusWatcherLeft() : PlaybackWatcherLeft()) return false;
  if (now_ms < NextStepMs()) return true;
  DrawStillFrame();
  Host.present_scaled_frame();
  NextPassDueMs = std::max(NextPassDueMs, now_ms) + FramePeriodMs;
  return true;
}

// The window, then the drawing; false (and nothing left behind) when the window fails.
bool OpenGameWindow() {
  if (CreateGameWindow("VALDORIK", FrameWidth, FrameHeight)) return true;
  ShutDownBackend();
  return false;
}

// A versus game, or a versus replay watched: the window first, then the run.
bool StartVersus(const GameOptions& options, ExitStatus& status) {
  ChooseWindow(options);
  ForgetQueuedEvents();
  Host = BackendHost();
  status = ExitStatus::FailedStart;
  if (!OpenGameWindow()) return false;
  StartDrawing();
  if (Kind == RunKind::VersusReplay && !StartVersusReplay(options)) {
    EndGame();
    status = ExitStatus::BadInput;
    return false;
  }
  if (Kind == RunKind::Versus) StartVersusRun(options);
  Phase = RunPhase::Playing;
  status = ExitStatus::Ok;
  return true;
}

// False with the run's status when it ends before its loop starts.
bool StartPlaying(const GameOptions& options, ExitStatus& status) {
  status = ExitStatus::BadInput;
  RunReplay = Replay{};
  Kind = IsVersusRun(options) ? RunKind::Versus : RunKind::Alone;
  if (!options.replay.empty() && IsVersusReplayFile(options.replay)) Kind = RunKind::VersusReplay;
  if (Kind != RunKind::Alone) return StartVersus(options, status);
  if (options.seat != 0) {
    std::fprintf(stderr, "valdorik: --seat is for versus replays: %s is a one-player game\n", options.replay.c_str());
    return false;
  }
  if (!options.replay.empty() && !ReadReplayToPlay(options.replay, RunReplay)) return false;
  std::vector<ReplayRecord> past;
  if (options.continue_game && !PlayThePast(options, past)) return false;
  ChooseWindow(options);
  ForgetQueuedEvents();
  Host = BackendHost();
  WatchedReplay = {.shown = !options.replay.empty(), .passes = RunReplay.passes, .ended = false};
  if (options.replay.empty())
    RecordGame(options.record, past);
  else
    StartPlayback(RunReplay, options.replay, BackendHost());
  // A start that fails has already told why; it is a failure for the caller too.
  if (!CreateGameWindow("VALDORIK", FrameWidth, FrameHeight)) {
    StopRecording();
    ReleaseGame();  // a continued game's world
    ShutDownBackend();
    status = ExitStatus::FailedStart;
    return false;
  }
  StartDrawing();
  if (!options.continue_game) StartGame();  // a continued game's world runs already
  ClockStarted = false;
  Phase = RunPhase::Playing;
  return true;
}

// The loop is done: the recording closed, a mismatch told, the final state written.
void StopPlaying(const GameOptions& options) {
  StopRecording();
  CloseVersusReplay();
  if (!PlaybackProblem().empty())
    std::fprintf(stderr, "valdorik: the replay does not match this game: %s\n", PlaybackProblem().c_str());
  const bool no_game = Kind == RunKind::Versus && VersusRunFailed();  // no state to tell of
  if (!options.dump_final.empty() && !no_game) WriteFinalDump(options.dump_final);
}

}  // namespace

bool BeginGame(int argc, char** argv, ExitStatus& status) {
  GameOptions& options = RunOptions;
  options = GameOptions{};
  status = ExitStatus::Ok;
  std::string error, no_pictures;
  // File names on the command line are the player's, from where they started.
  std::string start_dir = EnterGameFolder(OwnFolder(), no_pictures);
  if (const char* launcher_start = std::getenv("VALDORIK_START_DIR")) start_dir = launcher_start;
  if (!ParseGameOptions(argc, argv, start_dir, options, error)) {
    std::fprintf(stderr, "valdorik: %s\n%s", error.c_str(), GameUsage);
    status = ExitStatus::BadInput;
    return false;
  }
  if (options.help) {
    std::fputs(GameUsage, stdout);
    return false;
  }
  if (options.version) {
    std::printf("valdorik %s\n", GameVersion());
    return false;
  }
  if (!no_pictures.empty()) std::fprintf(stderr, "valdorik: %s\n", no_pictures.c_str());
  return StartPlaying(options, status);
}

namespace {

// The step of the run under way.
bool StepRun(double now_ms) {
  switch (Kind) {
    case RunKind::Versus: return StepVersusRun(now_ms);
    case RunKind::VersusReplay: return StepVersusReplay(now_ms);
    case RunKind::Alone: break;
  }
  return StepLoop(now_ms);
}

}  // namespace

bool StepGame(double now_ms) {
  if (Phase == RunPhase::Playing) {
    if (StepRun(now_ms)) return true;
    StopPlaying(RunOptions);
    if (!ShowsEndOfReplay(RunOptions)) return false;
    Phase = RunPhase::ShowingEnd;
    WatchedReplay.ended = true;
  }
  return StepEndOfReplay(now_ms);
}

double NextStepDueMs() { return Kind == RunKind::Versus ? NextVersusStepMs(NowMs()) : NextStepMs(); }

ExitStatus EndGame() {
  DestroyGameWindow();
  ReleaseDrawing();
  ReleaseGame();
  ShutDownBackend();
  return Kind == RunKind::Versus && VersusRunFailed() ? ExitStatus::FailedStart : ExitStatus::Ok;
}

ExitStatus GameMain(int argc, char** argv) {
  ExitStatus status;
  if (!BeginGame(argc, argv, status)) return status;
  while (StepGame(NowMs())) {
    if (const double wait = NextStepDueMs() - NowMs(); wait > 0) WaitForWindow(wait);
    if (EndWaiting()) HurryNextPass();  // closing the window ends the game at once
  }
  return EndGame();
}
