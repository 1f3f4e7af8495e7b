#include "run_command.h"

#include <climits>
#include <cstdio>

#include "host/input.h"
#include "loop/game_state.h"
#include "loop/main_loop.h"
#include "loop/startup.h"
#include "lockstep/versus_playback.h"
#include "replay/playback.h"
#include "replay/replay_file.h"
#include "replay/state_dump.h"
#include "sim_args.h"
#include "world/world.h"

namespace {

bool ReadOptionValue(int argc, char** argv, int& i, const char* option, int64_t lo, int64_t hi, int64_t& value,
                     std::string& error) {
  if (i + 1 >= argc) {
    error = std::string(option) + " needs a value";
    return false;
  }
  return ReadWholeNumber(argv[++i], option, lo, hi, value, error);
}

// False when the file cannot be opened or read (a directory fails on the first read).
bool ReadScriptFile(const std::string& path, std::string& text) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return !failed;
}

// The script's lines for the pass about to run, handed to the loop as the
// window's events: each takes a message pass of its own before the pass's
// idle one.
const InputScript* Script = nullptr;
size_t NextScriptEvent = 0;
int64_t ScriptPass = 0;

bool ScriptedEvent(HostEvent& event) {
  const std::vector<ScriptEvent>& events = Script->events;
  if (NextScriptEvent >= events.size() || events[NextScriptEvent].pass != ScriptPass) return false;
  event = events[NextScriptEvent++].event;
  return true;
}

void WriteDump(int64_t pass, std::string& buffer, std::ostream& out) {
  buffer.clear();
  AppendStateDump(pass, buffer);
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
}

}  // namespace

bool ParseRunArgs(int argc, char** argv, RunOptions& options, std::string& error) {
  options = RunOptions{};
  bool seen_seed = false, seen_frames = false, seen_input = false, seen_dump = false;
  for (int i = 0; i < argc; ++i) {
    const std::string option = argv[i];
    bool* seen = option == "--seed"         ? &seen_seed
                 : option == "--frames"     ? &seen_frames
                 : option == "--input"      ? &seen_input
                 : option == "--dump-every" ? &seen_dump
                                            : nullptr;
    if (seen == nullptr) {
      error = "unknown argument " + Quote(option);
      return false;
    }
    if (*seen) {
      error = option + " given more than once";
      return false;
    }
    *seen = true;
    int64_t value = 0;
    if (option == "--input") {
      if (i + 1 >= argc) {
        error = "--input needs a file name";
        return false;
      }
      options.input_file = argv[++i];
    } else if (option == "--seed") {
      if (!ReadOptionValue(argc, argv, i, "--seed", 0, UINT32_MAX, value, error)) return false;
      options.seed = static_cast<uint32_t>(value);
    } else if (option == "--frames") {
      if (!ReadOptionValue(argc, argv, i, "--frames", 0, INT32_MAX, value, error)) return false;
      options.frames = static_cast<int32_t>(value);
    } else {
      if (!ReadOptionValue(argc, argv, i, "--dump-every", 1, INT32_MAX, value, error)) return false;
      options.dump_every = static_cast<int32_t>(value);
    }
  }
  if (!seen_seed || !seen_frames) {
    error = !seen_seed ? "--seed is required" : "--frames is required";
    return false;
  }
  return true;
}

void RunSimulation(const RunOptions& options, const InputScript& script, std::ostream& out) {
  ResetForNewRun();
  ApplySearchModeRequest();
  UseHeadlessHost(options.seed);
  Script = &script;
  NextScriptEvent = 0;
  Host.poll_event = ScriptedEvent;
  StartGame();
  std::string buffer;
  WriteDump(0, buffer, out);
  for (ScriptPass = 1; ScriptPass <= options.frames; ++ScriptPass) {
    while (LoopPass() == PassKind::Message) {
    }
    const bool periodic = options.dump_every > 0 && ScriptPass % options.dump_every == 0;
    if (periodic || ScriptPass == options.frames) WriteDump(ScriptPass, buffer, out);
  }
  out.flush();
  ReleaseGame();
}

ExitStatus RunRunCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
  RunOptions options;
  std::string error;
  if (!ParseRunArgs(argc, argv, options, error)) {
    err << "valdorik-sim run: " << error << "\nusage: " << RunSynopsis << "\n";
    return ExitStatus::BadInput;
  }
  InputScript script;
  if (options.input_file) {
    std::string text;
    if (!ReadScriptFile(*options.input_file, text)) {
      err << "valdorik-sim: " << *options.input_file << ": cannot read the input script\n";
      return ExitStatus::BadInput;
    }
    if (!ParseInputScript(text, *options.input_file, script, error)) {
      err << "valdorik-sim: " << error << "\n";
      return ExitStatus::BadInput;
    }
  }
  RunSimulation(options, script, out);
  return ExitStatus::Ok;
}

namespace {

bool ParseReplayArgs(int argc, char** argv, std::string& file, int32_t& dump_every, std::string& error) {
  bool seen_dump = false;
  for (int i = 0; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--dump-every") {
      if (seen_dump) {
        error = "--dump-every given more than once";
        return false;
      }
      seen_dump = true;
      int64_t value = 0;
      if (!ReadOptionValue(argc, argv, i, "--dump-every", 1, INT32_MAX, value, error)) return false;
      dump_every = static_cast<int32_t>(value);
    } else if (word.rfind("--", 0) == 0 || !file.empty()) {
      error = "unknown argument " + Quote(word);
      return false;
    } else {
      file = word;
    }
  }
  if (file.empty()) error = "the replay file is required";
  return !file.empty();
}

// The recorded main loop, pass by pass, until the recording ends.
void PlayBack(const Replay& replay, const std::string& name, int32_t dump_every, std::ostream& out) {
  ResetForNewRun();
  ApplySearchModeRequest();
  StartPlayback(replay, name, HeadlessHost(0));
  StartGame();
  std::string buffer;
  WriteDump(0, buffer, out);
  int64_t dumped = 0;
  PassKind kind;
  do {
    kind = LoopPass();
    if (dump_every > 0 && IdlePasses != dumped && IdlePasses % dump_every == 0) {
      WriteDump(IdlePasses, buffer, out);
      dumped = IdlePasses;
    }
  } while (kind != PassKind::Done);
  if (IdlePasses != dumped) WriteDump(IdlePasses, buffer, out);
  out.flush();
  ReleaseGame();
  UseHeadlessHost(0);
}

void WriteVersusDump(int64_t turn, std::string& buffer, std::ostream& out) {
  buffer.clear();
  AppendVersusDump(turn, buffer);
  out << buffer;
}

// A versus game's recorded turns; a pass of the dumps is a turn.
void PlayBackVersus(const VersusReplay& replay, int32_t dump_every, std::ostream& out) {
  ResetForNewRun();
  ApplySearchModeRequest();
  Host = VersusHost(HeadlessHost(0));
  StartWorld();
  StartVersusPlayback(replay, 0);
  std::string buffer;
  WriteVersusDump(0, buffer, out);
  int64_t dumped = 0;
  while (PlayVersusTurn()) {
    if (dump_every > 0 && VersusTurn % dump_every == 0) WriteVersusDump(dumped = VersusTurn, buffer, out);
  }
  if (VersusTurn != dumped) WriteVersusDump(VersusTurn, buffer, out);
  out.flush();
  ReleaseGame();
  UseHeadlessHost(0);
}

ExitStatus RunVersusReplay(const std::vector<uint8_t>& bytes, const std::string& file, int32_t dump_every,
                           std::ostream& out, std::ostream& err) {
  VersusReplay replay;
  std::string error;
  if (!ParseVersusReplay(bytes, file, replay, error)) {
    err << "valdorik-sim: " << error << "\n";
    return ExitStatus::BadInput;
  }
  if (!replay.complete) err << "valdorik-sim: " << replay.cut_note << "\n";
  PlayBackVersus(replay, dump_every, out);
  return ExitStatus::Ok;
}

}  // namespace

ExitStatus RunReplayCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
  std::string file, error;
  int32_t dump_every = 0;
  if (!ParseReplayArgs(argc, argv, file, dump_every, error)) {
    err << "valdorik-sim replay: " << error << "\nusage: " << ReplaySynopsis << "\n";
    return ExitStatus::BadInput;
  }
  std::vector<uint8_t> bytes;
  if (!ReadReplayBytes(file, bytes, error)) {
    err << "valdorik-sim: " << error << "\n";
    return ExitStatus::BadInput;
  }
  if (IsVersusReplay(bytes)) return RunVersusReplay(bytes, file, dump_every, out, err);
  Replay replay;
  if (!ParseReplay(bytes.data(), bytes.size(), file, replay, error)) {
    err << "valdorik-sim: " << error << "\n";
    return ExitStatus::BadInput;
  }
  if (!replay.complete) err << "valdorik-sim: " << replay.cut_note << "\n";
  PlayBack(replay, file, dump_every, out);
  if (PlaybackProblem().empty()) return ExitStatus::Ok;
  // The replay asked for something this game does not do there: a file of
  // another build of the rules, or one changed after it was written.
  err << "valdorik-sim: the replay does not match this game: " << PlaybackProblem() << "\n";
  return ExitStatus::BadInput;
}
