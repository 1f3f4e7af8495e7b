// The frame: drawing and rules interleaved in one fixed order, for the
// window and the simulator alike (the simulator's host draws nothing). The
// rules sit between the drawing stretches because each reads what the one
// before it left: the visible units are collected before anyone moves, and
// the cursor mark shows the cell the commands are about to act on.
#include "loop/frame.h"

#include "host/host.h"
#include "host/input.h"
#include "rules/frame_rules.h"
#include "world/world.h"

namespace {

// While M is held the window follows the pointer.
void MoveWindowKey() {
  if (KeyState[KeyM]) Host.move_game_window_to_pointer();
}

}  // namespace

ReplayMark WatchedReplay;

void RunFrame(bool drawn) {
  ThrottleFrame();
  MoveWindowKey();
  if (drawn) {
    Host.begin_scene();
    Host.draw_terrain();
    Host.draw_units();
  }
  RulesFirstHalf();
  SpinFromPointer();
  const CellOffset pointed = MouseCell();
  if (drawn) Host.draw_cursor_mark(pointed.dx, pointed.dy);
  RulesSecondHalf();
  HelpKey();
  if (drawn) Host.draw_overlay();
  ClearHelpAfterGameOver();
}

// The cursor mark stays on the cell the last frame pointed at (map_ex,
// map_ey): MouseCell would write them, and it is the rules'.
void DrawStillFrame() {
  Host.begin_scene();
  Host.draw_terrain();
  Host.draw_units();
  Host.draw_cursor_mark(map_ex - map_sx, map_ey - map_sy);
  Host.draw_overlay();
}
