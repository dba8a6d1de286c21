// Pentanomial counts: how many game pairs (same seed, first-end hammer
// swapped) A scored 0, 1/4, 1/2, 3/4 or 1 in, the pair score being the mean
// of its two game scores.
#pragma once

#include <array>
#include <cstdint>

#include "server/stats/game_result.h"

namespace curling::stats {

struct PairCounts {
  std::array<int64_t, 5> count{};  // index k: pairs that scored k / 4

  int64_t Pairs() const;
  void Add(GameOutcome first, GameOutcome second);
};

// The pair score k / 4 of cell k.
inline constexpr double PairScoreOfCell(int k) {
  return 0.25 * k;
}

// Mean and variance (over pairs, not over pairs - 1) of the pair score, from
// per-cell weights that need not be whole numbers.
struct PairScoreMoments {
  double mean = 0.5;
  double variance = 0.0;
};
PairScoreMoments MomentsOf(const std::array<double, 5>& weights);
PairScoreMoments MomentsOf(const PairCounts& counts);

// The variance of the pair score about `mean` with `kPriorPairsPerCell` of a
// pair added to every cell: sum (n_k + c) (k/4 - mean)^2 / (N + 5c). A few
// identical pair scores (plain variance 0) then do not look certain; the
// prior's weight fades as pairs come in. The interval, the LOS and the normal
// approximation of the SPRT all use it.
double RegularisedVariance(const PairCounts& counts, double mean);

inline constexpr double kPriorPairsPerCell = 0.5;

}  // namespace curling::stats
