// The search with TopLevel 0, run in the calling thread with no text and no
// shared table, and the one-stone look-ahead that the top-level workers build
// on it.
#pragma once

#include "curling_simulator/records.h"

namespace curling {

// Generates the candidates for `state` (TopLevel 0) and simulates every one
// in passes p = 0, 1, ... while trials > p, adding score / trials to its mean.
// Returns the best mean and copies its delivery into `best_shot`, or returns
// NoScore and leaves `best_shot` untouched. Throws std::bad_alloc when its
// lists cannot grow (best_shot is then untouched too).
float SearchSequential(const GameState& state, ShotVector& best_shot, float trials, int grid_points,
                       float grid_width, float random_error);

// The opponent's best reply on a simulated outcome: the sequential search on
// it with one trial and no delivery error. NoScore when there is no reply
// above -8. Throws std::bad_alloc like SearchSequential.
float BestReplyScore(const GameState& outcome, int grid_points, float grid_width);

}  // namespace curling
