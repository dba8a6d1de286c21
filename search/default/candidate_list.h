// A candidate list: deliveries and their mean-score accumulators, two
// index-aligned lists in generation order, never sorted or filtered. The
// searches and the move decision's own ratings keep their candidates so.
#pragma once

#include <cassert>
#include <cstddef>
#include <vector>

#include "curling_simulator/records.h"

namespace curling {

struct CandidateList {
  std::vector<ShotVector> shots;
  std::vector<float> scores;  // one per shot, starting at 0.0

  // Appends the delivery and a 0.0 accumulator. Throws std::bad_alloc when a
  // list cannot grow; the search is then abandoned whole.
  void Append(const ShotVector& shot) {
    shots.push_back(shot);
    scores.push_back(0.0f);
    assert(shots.size() == scores.size());
  }
  void Clear() {
    shots.clear();
    scores.clear();
  }
  std::size_t Size() const {
    assert(shots.size() == scores.size());
    return shots.size();
  }
};

}  // namespace curling
