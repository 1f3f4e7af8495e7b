#pragma once

#include "host/exit_status.h"
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "input_script.h"

// valdorik-sim run --seed S --frames N [--input FILE] [--dump-every K]
struct RunOptions {
  uint32_t seed = 0;
  int32_t frames = 0;
  std::optional<std::string> input_file;
  int32_t dump_every = 0;  // 0: only the first and last dumps
};

// Reads the arguments after "run"; on failure `error` names the problem.
bool ParseRunArgs(int argc, char** argv, RunOptions& options, std::string& error);

// Starts a game with the seed and runs the passes, feeding the script's
// input and writing the dumps to `out`.
void RunSimulation(const RunOptions& options, const InputScript& script, std::ostream& out);

// The whole subcommand. Every error is reported on
// `err` before anything runs, and then nothing is written to `out`.
ExitStatus RunRunCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

// valdorik-sim replay FILE [--dump-every K]: a game the real game recorded,
// without a window. Dumps pass 0, every K-th idle pass and the last one.
ExitStatus RunReplayCommand(int argc, char** argv, std::ostream& out, std::ostream& err);
