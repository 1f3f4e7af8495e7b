#pragma once

#include "host/exit_status.h"
#include <ostream>
#include <string>
#include <vector>

#include "world/world.h"

struct BlockSpec {
  bool set = false;
  int x = 0, y = 0;
  bool moving = false;
  int step_x = 0, step_y = 0;
};

// Everything the arguments of one search say.
struct PathArgs {
  int from_x = 0, from_y = 0, to_x = 0, to_y = 0;
  int window = 64;
  std::vector<int> codes = std::vector<int>(CellsPerLayer, 1);
  BlockSpec blocks[UnitCount];
};

// Reads the arguments after "path"; on failure `error` names the problem.
// Never exits: every outcome comes back through the result.
bool ParsePathArgs(int argc, char** argv, PathArgs& args, std::string& error);

// valdorik-sim path FX FY TX TY [--window W] [--code X Y CODE]... [--block ID X Y [SX SY]]...
// Errors go to `err`, the JSON line to `out`.
ExitStatus RunPathCommand(int argc, char** argv, std::ostream& out, std::ostream& err);
