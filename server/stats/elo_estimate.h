// The Elo difference of A over B estimated from game pairs, with a 95%
// confidence interval and the likelihood of superiority.
#pragma once

#include <optional>

#include "server/stats/pair_counts.h"

namespace curling::stats {

// Logistic Elo difference of an expected score s: -400 log10(1/s - 1).
// Infinite at s = 0 and s = 1 (-inf and +inf).
double EloFromScore(double score);
// Its inverse: 1 / (1 + 10^(-elo / 400)).
double ScoreFromElo(double elo);

enum class EloBound {
  kNone,       // no complete pair yet: nothing to estimate
  kTwoSided,   // elo within [elo_low, elo_high]
  kLowerOnly,  // A scored every point: the difference is at least elo_low
  kUpperOnly,  // B scored every point: the difference is at most elo_high
};

struct EloEstimate {
  EloBound bound = EloBound::kNone;
  int64_t pairs = 0;
  double score = 0.5;  // mean pair score
  // Empty where unbounded (an interval end at score 0 or 1, or the point
  // estimate when one side scored every point).
  std::optional<double> elo;
  std::optional<double> elo_low;
  std::optional<double> elo_high;
  // Probability that A is the stronger, from the normal approximation of the
  // mean pair score: Phi((score - 1/2) / standard error). Empty without pairs.
  std::optional<double> los;
};

// With N pairs of mean s and variance v: s +- 1.96 sqrt(v / N), mapped
// through EloFromScore. When one side scored every point the interval has no
// width and the estimate no value; a one-sided 95% bound takes its place: a
// pair score in [0, 1] of mean s is 1 with probability at most s, so N perfect
// pairs have probability at most s^N, which is 5% at s = 0.05^(1/N).
EloEstimate EstimateElo(const PairCounts& counts);

inline constexpr double kNormalQuantile975 = 1.959963984540054;
inline constexpr double kOneSidedConfidence = 0.95;

}  // namespace curling::stats
