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

// "none", "two-sided", "lower", "upper" (the summary's elo_bound).
const char* EloBoundName(EloBound bound);

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
  // Normalized Elo: (score - 1/2) / sigma_game * 800 / ln 10 with sigma_game
  // = sqrt(2 v) the standard deviation of a game's score, and its interval
  // from the same ends of the score. Finite whenever there are pairs.
  std::optional<double> nelo;
  std::optional<double> nelo_low;
  std::optional<double> nelo_high;
};

// With N pairs of mean s and regularised variance v (RegularisedVariance: half
// a pair of prior weight in every cell): s -+ 1.96 sqrt(v / N), mapped end by
// end through EloFromScore, and LOS = Phi((s - 1/2) / sqrt(v / N)). The prior
// keeps the interval from shrinking to no width when every pair scored the
// same, and makes the interval, the LOS and the bound behave alike for
// perfect and nearly perfect results: when one side scored every point the
// estimate itself is unbounded (`elo` empty) and the interval's finite end is
// the bound.
EloEstimate EstimateElo(const PairCounts& counts);

inline constexpr double kNormalQuantile975 = 1.959963984540054;
// nElo per unit of the per-game t-value: 800 / ln 10.
inline constexpr double kNeloPerGameT = 347.43558552260;

}  // namespace curling::stats
