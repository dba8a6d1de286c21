// Builds the candidate deliveries of a search for a position: freezes (shot
// 14), the draw grid (before the hits at shot 15, after them otherwise), the
// hit pattern on every stone in play, and guards (shot 14).
#pragma once

#include "curling_simulator/records.h"
#include "search/default/candidate_list.h"

namespace curling {

// Appends to `list`, which the caller passes empty. Reads only ShotNum and the
// stones below it (never more than the 16 of the record). Throws std::bad_alloc
// when the list cannot grow.
void AppendSearchCandidates(const GameState& state, int grid_points, float grid_width,
                            bool top_level, CandidateList& list);

// The draw grid alone: grid_points x grid_points points over the square of
// side grid_width centred on the tee, x outer and y inner, curl 0 then 1 at
// each point. Nothing for grid_points of 0 or less.
void AppendGridDraws(int grid_points, float grid_width, CandidateList& list);

}  // namespace curling
