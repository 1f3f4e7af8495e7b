// The frame bench's scenarios, shared by valdorik-frame-bench and the
// browser build's figures (src/platform/web/main.cpp): the world set up for
// the new game's view, the busiest view, and the busiest view with the
// rules' worst frame. A replayed scenario starts every frame from the whole
// game state (loop/game_state.h).
#pragma once

#include <cstdint>

#include "world/world.h"

struct Scenario {
  const char* key;
  const char* title;
  bool replay;  // every frame starts again from the scenario's state
};

constexpr int ScenarioCount = 3;
extern const Scenario Scenarios[ScenarioCount];

// Sets the world up for a scenario (a new game first); returns the entries
// that must have stepped when a frame ran its searches (-1 for the others).
int PrepareScenario(const Scenario& scenario);
