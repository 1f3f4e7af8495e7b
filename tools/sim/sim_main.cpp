// valdorik-sim: the game's rules without a window, for tests, replays and benchmarks.
#include <cstring>
#include <iostream>

#include "path_command.h"
#include "sim_args.h"
#include "run_command.h"
#include "sim_args.h"

namespace {

void PrintUsage(std::ostream& err) {
  err << "usage: " << RunSynopsis << "\n       " << ReplaySynopsis << "\n       " << PathSynopsis << "\n";
}

ExitStatus RunCommand(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "valdorik-sim: missing subcommand\n";
    PrintUsage(std::cerr);
    return ExitStatus::BadInput;
  }
  if (std::strcmp(argv[1], "path") == 0) return RunPathCommand(argc - 2, argv + 2, std::cout, std::cerr);
  if (std::strcmp(argv[1], "run") == 0) return RunRunCommand(argc - 2, argv + 2, std::cout, std::cerr);
  if (std::strcmp(argv[1], "replay") == 0) return RunReplayCommand(argc - 2, argv + 2, std::cout, std::cerr);
  std::cerr << "valdorik-sim: unknown subcommand " << Quote(argv[1]) << "\n";
  PrintUsage(std::cerr);
  return ExitStatus::BadInput;
}

}  // namespace

int main(int argc, char** argv) {
  ApplySearchModeRequest();
  return ExitCode(RunCommand(argc, argv));
}
