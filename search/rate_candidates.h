// The move decision's own small Monte Carlo rating: each candidate delivery
// is played out 100 times with random error on fresh copies of the shared
// game state and scored for the side to throw.
#pragma once

#include <cstddef>
#include <vector>

#include "curling_simulator/records.h"

namespace curling {

// The decision's candidate list: deliveries and, index-aligned, their mean
// scores (0.0 when appended). Never sorted or filtered.
struct DecisionCandidates {
  std::vector<ShotVector> shots;
  std::vector<float> means;

  void Append(const ShotVector& shot) {
    shots.push_back(shot);
    means.push_back(0.0f);
  }
  void Clear() {
    shots.clear();
    means.clear();
  }
  std::size_t Size() const { return shots.size(); }
};

// 100 interleaved passes (each candidate once per pass, in list order), each
// simulation with random error 0.145 on a fresh copy of g_game_state; mean j
// grows by ScoreForShooter / 100 in single precision per outcome.
void RateCandidates(DecisionCandidates& list);

// Index of the first candidate whose mean is strictly greater than NoScore
// and every earlier mean, or -1 when there is none (every mean -8.0 or lower
// or NaN, or an empty list).
int ChooseCandidate(const DecisionCandidates& list);

}  // namespace curling
