#include "path_command.h"

#include <climits>
#include <string>
#include <vector>

#include "base/shortest_float.h"
#include "pathfinding/pathfinder.h"
#include "replay/state_dump.h"
#include "sim_args.h"
#include "world/world.h"

namespace {

// Walks argv; every failure names the problem in `error`.
class ArgReader {
 public:
  ArgReader(int argc, char** argv) : argc_(argc), argv_(argv) {}
  bool AtEnd() const { return index_ >= argc_; }
  std::string Peek() const { return AtEnd() ? std::string() : std::string(argv_[index_]); }
  bool IsNumberNext() const {
    if (AtEnd()) return false;
    const std::string s = argv_[index_];
    return !s.empty() && (isdigit(static_cast<unsigned char>(s[0])) || (s[0] == '-' && s.size() > 1 && isdigit(static_cast<unsigned char>(s[1]))));
  }
  std::string Next() { return argv_[index_++]; }
  bool Number(const char* what, int64_t lo, int64_t hi, int& value, std::string& error) {
    if (AtEnd()) {
      error = std::string("missing ") + what;
      return false;
    }
    return ReadWholeNumber(Next(), what, lo, hi, value, error);
  }

 private:
  int argc_;
  char** argv_;
  int index_ = 0;
};


void SetUpWorld(const PathArgs& args) {
  for (int i = 0; i < CellsPerLayer; ++i) TerrainCodes[i] = static_cast<uint8_t>(args.codes[i]);
  for (int id = 0; id < UnitCount; ++id) {
    UnitTable[id] = UnitRecord{};
    const BlockSpec& b = args.blocks[id];
    if (!b.set) continue;
    UnitRecord& u = UnitTable[id];
    u.in_use = 1;
    u.mobility = 1;
    u.blocking = 1;
    u.layer = 0;
    u.cell_x = static_cast<uint16_t>(b.x);
    u.cell_y = static_cast<uint16_t>(b.y);
    u.order = b.moving ? OrderMove : OrderNone;
    u.step_x = static_cast<uint16_t>(b.step_x);
    u.step_y = static_cast<uint16_t>(b.step_y);
  }
}

void PrintResult(Pathfinder& pf, SearchOutcome ret, std::ostream& out) {
  out << "{\"ret\":" << ret << ",\"result\":" << int{pf.result} << ",\"from\":[" << pf.from_x << ","
      << pf.from_y << "],\"to\":[" << pf.to_x << "," << pf.to_y << "],\"window\":[" << pf.window_x0
      << "," << pf.window_y0 << "," << pf.window_size << "],\"nodes\":" << pf.last_node + 1;
  if (pf.result == ResultFound) {
    const float goal_cost = pf.cost[pf.current];
    const bool direct = pf.EndReachedDirectly();
    const int links = pf.ReadFirstStep();
    out << ",\"direct\":" << (direct ? "true" : "false") << ",\"first_step\":[" << pf.out_x << ","
        << pf.out_y << "],\"links\":" << links << ",\"path\":[";
    std::vector<int> chain;  // goal back to the first step
    for (int k = pf.current; k != 0; k = pf.parent[k]) chain.push_back(k);
    for (size_t i = chain.size(); i-- > 0;) {
      out << "[" << pf.node_x[chain[i]] << "," << pf.node_y[chain[i]] << "]" << (i ? "," : "");
    }
    out << "],\"goal_cost\":" << FormatFloat(goal_cost);
  }
  out << "}\n";
}

}  // namespace

bool ParsePathArgs(int argc, char** argv, PathArgs& args, std::string& error) {
  ArgReader in(argc, argv);
  if (!in.Number("FX", INT32_MIN, INT32_MAX, args.from_x, error) ||
      !in.Number("FY", INT32_MIN, INT32_MAX, args.from_y, error) ||
      !in.Number("TX", INT32_MIN, INT32_MAX, args.to_x, error) ||
      !in.Number("TY", INT32_MIN, INT32_MAX, args.to_y, error))
    return false;
  bool window_seen = false;
  while (!in.AtEnd()) {
    const std::string option = in.Next();
    if (option == "--window") {
      if (window_seen) {
        error = "--window given more than once";
        return false;
      }
      window_seen = true;
      if (!in.Number("--window W", 3, 64, args.window, error)) return false;
    } else if (option == "--code") {
      int x, y, code;
      if (!in.Number("--code X", 0, 63, x, error) || !in.Number("--code Y", 0, 63, y, error) ||
          !in.Number("--code CODE", 0, 255, code, error))
        return false;
      args.codes[CellIndex(x, y)] = code;
    } else if (option == "--block") {
      int id;
      BlockSpec b;
      b.set = true;
      if (!in.Number("--block ID", 0, 255, id, error) || !in.Number("--block X", 0, 65535, b.x, error) ||
          !in.Number("--block Y", 0, 65535, b.y, error))
        return false;
      if (in.IsNumberNext()) {
        b.moving = true;
        if (!in.Number("--block SX", 0, 65535, b.step_x, error) ||
            !in.Number("--block SY", 0, 65535, b.step_y, error))
          return false;
      }
      args.blocks[id] = b;
    } else {
      error = "unknown argument " + Quote(option);
      return false;
    }
  }
  return true;
}

ExitStatus RunPathCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
  static PathArgs args;  // large; parsed fresh on every call
  args = PathArgs{};
  std::string error;
  if (!ParsePathArgs(argc, argv, args, error)) {
    err << "valdorik-sim path: " << error << "\nusage: " << PathSynopsis << "\n";
    return ExitStatus::BadInput;
  }
  AllocateWorldTables();  // a search needs the map and the units, nothing drawn
  Pathfinder pathfinder;
  BuildTileTypes();
  InitMapCells();
  SetUpWorld(args);
  pathfinder.BeginSearch(args.from_x, args.from_y, args.to_x, args.to_y, 0, args.window);
  const SearchOutcome ret = pathfinder.RunSearch(args.window * args.window);
  PrintResult(pathfinder, ret, out);
  ReleaseWorldTables();
  return ExitStatus::Ok;
}
