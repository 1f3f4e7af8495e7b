// valdorik-sim: the game's rules without a window, for tests, replays and benchmarks.
#include <cstring>
#include <iostream>

#include "path_command.h"
#include "sim_args.h"
#include "run_command.h"

namespace {

void PrintUsage(std::ostream& err) {
  err << "usage: valdorik-sim run --seed S --frames N [--input FILE] [--dump-every K]\n"
         "       valdorik-sim replay FILE [--dump-every K]\n"
         "       valdorik-sim path FX FY TX TY [--window W] [--code X Y CODE]... "
         "[--block ID X Y [SX SY]]...\n";
}

}  // namespace

int main(int argc, char** argv) {
  ApplySearchModeRequest();
  if (argc < 2) {
    std::cerr << "valdorik-sim: missing subcommand\n";
    PrintUsage(std::cerr);
    return 2;
  }
  if (std::strcmp(argv[1], "path") == 0) return RunPathCommand(argc - 2, argv + 2, std::cout, std::cerr);
  if (std::strcmp(argv[1], "run") == 0) return RunRunCommand(argc - 2, argv + 2, std::cout, std::cerr);
  if (std::strcmp(argv[1], "replay") == 0) return RunReplayCommand(argc - 2, argv + 2, std::cout, std::cerr);
  std::cerr << "valdorik-sim: unknown subcommand '" << argv[1] << "'\n";
  PrintUsage(std::cerr);
  return 2;
}
