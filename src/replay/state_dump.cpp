#include "replay/state_dump.h"

#include <charconv>

#include "base/shortest_float.h"
#include "world/world.h"

namespace {

void AppendInt(std::string& out, int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void AppendFloat(std::string& out, float value) { out += FormatFloat(value); }

void AppendField(std::string& out, const char* key, int64_t value) {
  out += ",\"";
  out += key;
  out += "\":";
  AppendInt(out, value);
}

void AppendUnit(std::string& out, int id, const UnitRecord& u) {
  out += '[';
  for (int64_t value : {int64_t{id}, int64_t{u.owner}, int64_t{u.cell_x}, int64_t{u.cell_y}, int64_t{u.goal_x},
                        int64_t{u.goal_y}, int64_t{u.step_x}, int64_t{u.step_y}, int64_t{u.target},
                        int64_t{u.order}, int64_t{u.type}, int64_t{u.mobility}, int64_t{u.mining}}) {
    AppendInt(out, value);
    out += ',';
  }
  for (float value : {u.gold, u.hp_max, u.hp}) {
    AppendFloat(out, value);
    out += ',';
  }
  AppendInt(out, u.dead);
  out += ',';
  AppendInt(out, u.strength);
  out += ']';
}

}  // namespace

void AppendStateDump(int64_t pass, std::string& out) {
  out += "{\"pass\":";
  AppendInt(out, pass);
  AppendField(out, "frame", FrameCounter);
  AppendField(out, "selected_unit", selected_unit);
  AppendField(out, "map_sx", map_sx);
  AppendField(out, "map_sy", map_sy);
  AppendField(out, "map_ex", map_ex);
  AppendField(out, "map_ey", map_ey);
  AppendField(out, "game_speed", GameSpeed);
  out += ",\"unit_size\":";
  AppendFloat(out, UnitSize);
  AppendField(out, "help", HelpVisible);
  AppendField(out, "paused", Paused);
  out += ",\"victory\":[";
  AppendInt(out, VictoryPlayer);
  out += ',';
  AppendInt(out, VictoryComputer);
  out += ',';
  AppendInt(out, VictoryTie);
  out += "],\"camera\":[";
  const float camera[] = {CameraZoom, CameraTilt, CameraTurn, CameraSpin};
  for (int i = 0; i < 4; ++i) {
    if (i) out += ',';
    AppendFloat(out, camera[i]);
  }
  out += "],\"units\":[";
  bool first = true;
  for (int id = 0; id < UnitCount; ++id) {
    if (UnitTable[id].in_use != 1) continue;
    if (!first) out += ',';
    first = false;
    AppendUnit(out, id, UnitTable[id]);
  }
  out += "]}\n";
}
