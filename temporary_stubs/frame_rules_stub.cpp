// TEMPORARY stub: only the frame count advances, so that the loop runs.
#include "rules/frame_rules.h"
#include "world/world.h"

void ThrottleFrame() {}
void RulesFirstHalf() { FrameCounter += 1; }
void SpinFromPointer() {}
CellOffset MouseCell() { return {0, 0}; }
void RulesSecondHalf() {}
void HelpKey() {}
void RunRulesFrame() { RulesFirstHalf(); }
