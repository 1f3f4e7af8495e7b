#include "rules/frame_rules.h"

#include "host/host.h"
#include "host/input.h"
#include "rules/combat_economy.h"
#include "rules/commands.h"
#include "rules/computer.h"
#include "rules/orders.h"
#include "world/world.h"

namespace {

constexpr int ThrottleStepMs = 6;
constexpr int HelpKeyPauseMs = 400;
constexpr float MouseGridCells = 40.0f;  // the pointer maps to a 40 x 40 grid round the view centre

// Every operation in single precision; truncation toward zero.
int PointerOffset(int pixels_from_low_edge, int window_extent) {
  return static_cast<int>(static_cast<float>(pixels_from_low_edge) / static_cast<float>(window_extent) *
                              MouseGridCells -
                          MouseGridCells / 2.0f);
}

}  // namespace

void ThrottleFrame() {
  if (GameSpeed > 1) GameSleep((GameSpeed - 1) * ThrottleStepMs);
}

void RulesFirstHalf() {
  FrameCounter += 1;
  if (IsPeriodDue(WanderPeriod)) NeutralWander();
  UpdateGroup();
}

void SpinFromPointer() {
  if (IsKeyDown(KeySpace))
    CameraSpin = static_cast<float>(MouseState.x) / static_cast<float>(FrameWidth) * 360.0f;
}

CellOffset MouseCell() {
  const CellOffset offset = {PointerOffset(MouseState.x, FrameWidth),
                             PointerOffset(FrameHeight - MouseState.y, FrameHeight)};
  map_ex = map_sx + offset.dx;
  map_ey = map_sy + offset.dy;
  return offset;
}

void RulesSecondHalf() {
  LeftButtonCommand();
  RightButtonCommand();
  FunctionKeyCommands();
  if (IsPeriodDue(EconomyPeriod)) VictoryCheck();
  if (IsGameDecided()) return;
  if (IsPeriodDue(EconomyPeriod)) {
    EconomyTick();
    ComputerRecruit();
  }
  if (IsPeriodDue(DecisionPeriod)) ComputerOrders();
}

void HelpKey() {
  if (!IsKeyDown(KeyH)) return;
  HelpVisible = !HelpVisible;
  GameSleep(HelpKeyPauseMs);
}

void ClearHelpAfterGameOver() {
  if (IsGameDecided()) HelpVisible = 0;
}
