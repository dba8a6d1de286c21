// The Monte Carlo shot search: candidate generation, parallel evaluation at
// the top level, sequential evaluation with TopLevel 0 (the look-ahead).
#pragma once

#include "curling_simulator/records.h"

namespace curling {

// Returns the best candidate's mean score and copies it into BestShot, or
// returns NoScore (-8.0) and leaves BestShot untouched.
float SearchBestShot(const GameState& State, ShotVector& BestShot, float Trials, int GridPoints,
                     float GridWidth, float RandomError, int TopLevel);

}  // namespace curling
