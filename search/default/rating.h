// Rating a candidate list by Monte Carlo: every candidate played out many
// times with random delivery error and scored, then the choice of the best
// mean. The sequential search and the move decision's own ratings both rate
// this way.
#pragma once

#include "curling_simulator/records.h"
#include "search/default/candidate_list.h"

namespace curling {

// Passes p = 0, 1, ... while trials > p, each candidate once per pass in list
// order: a simulation with `random_error` on a fresh copy of `state`, scored
// for the side throwing state.ShotNum, adds score / trials to its mean in
// single precision.
void RateCandidates(const GameState& state, float trials, float random_error, CandidateList& list);

// The first candidate, in list order, whose mean is strictly greater than
// kNoScore and every earlier mean. Returns its index and stores its mean in
// `best`, or returns -1 and stores kNoScore when there is none (every mean
// -8.0 or lower or NaN, or an empty list).
int ChooseBestCandidate(const CandidateList& list, float& best);

}  // namespace curling
