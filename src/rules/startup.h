#pragma once

// Builds the world the way renderer start-up does, without any drawing:
// allocate the world, create the Pathfinder, fill the terrain tables and
// cells, start the first game. Used by the simulator and the tests.
void StartHeadlessWorld();
void StopHeadlessWorld();
