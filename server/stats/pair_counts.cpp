#include "server/stats/pair_counts.h"

#include <cassert>
#include <cmath>

namespace curling::stats {

int64_t PairCounts::Pairs() const {
  int64_t total = 0;
  for (int64_t c : count)
    total += c;
  return total;
}

void PairCounts::Add(GameOutcome first, GameOutcome second) {
  // Game scores are 0, 1/2 or 1, so twice their sum is the cell 0..4.
  const int cell = static_cast<int>(std::lround(2.0 * (ScoreOf(first) + ScoreOf(second))));
  assert(cell >= 0 && cell <= 4);
  ++count[cell];
}

PairScoreMoments MomentsOf(const std::array<double, 5>& weights) {
  double total = 0.0;
  double sum = 0.0;
  for (int k = 0; k < 5; ++k) {
    assert(weights[k] >= 0.0);
    total += weights[k];
    sum += weights[k] * PairScoreOfCell(k);
  }
  PairScoreMoments m;
  if (total <= 0.0) return m;
  m.mean = sum / total;
  double squares = 0.0;
  for (int k = 0; k < 5; ++k) {
    const double d = PairScoreOfCell(k) - m.mean;
    squares += weights[k] * d * d;
  }
  m.variance = squares / total;
  return m;
}

PairScoreMoments MomentsOf(const PairCounts& counts) {
  std::array<double, 5> weights{};
  for (int k = 0; k < 5; ++k)
    weights[k] = static_cast<double>(counts.count[k]);
  return MomentsOf(weights);
}

double RegularisedVariance(const PairCounts& counts, double mean) {
  double weight = 0.0;
  double squares = 0.0;
  for (int k = 0; k < 5; ++k) {
    const double w = static_cast<double>(counts.count[k]) + kPriorPairsPerCell;
    const double d = PairScoreOfCell(k) - mean;
    weight += w;
    squares += w * d * d;
  }
  return squares / weight;
}

}  // namespace curling::stats
