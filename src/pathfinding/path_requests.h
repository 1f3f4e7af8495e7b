// The two requests through which a unit asks the Pathfinder for its next step.
#pragma once

#include "pathfinding/pathfinder.h"

// The one Pathfinder of the run, created at start-up.
extern Pathfinder* GamePathfinder;

constexpr int SearchWindow = 64;

// 1: a step was stored in step_x/step_y; 0: no path, the unit's order is now 0.
int RequestMoveStep(int unit, int target_x, int target_y, int window_size);
// As RequestMoveStep, and 2 when the target cell is one step away (nothing written).
int RequestApproachStep(int unit, int target_x, int target_y, int window_size);
