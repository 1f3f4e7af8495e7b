#pragma once

#include <ostream>

// valdorik-sim path FX FY TX TY [--window W] [--code X Y CODE]... [--block ID X Y [SX SY]]...
// Returns the process exit status; errors go to `err`, the JSON line to `out`.
int RunPathCommand(int argc, char** argv, std::ostream& out, std::ostream& err);
