// The search without a top level, run in the calling thread with no report
// and no worker, and the one-stone look-ahead that the top-level workers
// build on it.
#pragma once

#include "curling_simulator/records.h"
#include "search/default/search_best_shot.h"

namespace curling {

// Generates the candidates for `state` (the reply pattern) and rates them
// with parameters.trials passes. Returns the best mean and copies its
// delivery into `best_shot`, or returns kNoScore and leaves `best_shot`
// untouched. Throws std::bad_alloc when its lists cannot grow (best_shot is
// then untouched too).
float SearchSequential(const GameState& state, const SearchParameters& parameters,
                       ShotVector& best_shot);

// The opponent's best reply on a simulated outcome: the sequential search on
// it with one trial and no delivery error. kNoScore when there is no reply
// above -8. Throws std::bad_alloc like SearchSequential.
float BestReplyScore(const GameState& outcome, int grid_points, float grid_width);

}  // namespace curling
