// The two requests through which a unit asks the Pathfinder for its next step.
#pragma once

#include "pathfinding/pathfinder.h"

// The one Pathfinder of the run, created at start-up.
extern std::unique_ptr<Pathfinder> GamePathfinder;

constexpr int SearchWindow = 64;

enum StepRequest : int {
  StepNone = 0,      // no path: the unit's order is now 0
  StepStored = 1,    // the step is in step_x/step_y
  StepAdjacent = 2,  // the target cell is one step away; nothing written
};

// StepStored or StepNone.
StepRequest RequestMoveStep(int unit, int target_x, int target_y, int window_size);
// As RequestMoveStep, and StepAdjacent when the target is one step away.
StepRequest RequestApproachStep(int unit, int target_x, int target_y, int window_size);
