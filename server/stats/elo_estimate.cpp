#include "server/stats/elo_estimate.h"

#include <cassert>
#include <cmath>
#include <limits>

namespace curling::stats {

namespace {

std::optional<double> Finite(double value) {
  if (std::isfinite(value)) return value;
  return std::nullopt;
}

double StandardNormalCdf(double z) {
  return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

}  // namespace

double EloFromScore(double score) {
  if (score <= 0.0) return -std::numeric_limits<double>::infinity();
  if (score >= 1.0) return std::numeric_limits<double>::infinity();
  return -400.0 * std::log10(1.0 / score - 1.0);
}

double ScoreFromElo(double elo) {
  return 1.0 / (1.0 + std::pow(10.0, -elo / 400.0));
}

const char* EloBoundName(EloBound bound) {
  switch (bound) {
    case EloBound::kTwoSided:
      return "two-sided";
    case EloBound::kLowerOnly:
      return "lower";
    case EloBound::kUpperOnly:
      return "upper";
    case EloBound::kNone:
      break;
  }
  return "none";
}

EloEstimate EstimateElo(const PairCounts& counts) {
  EloEstimate e;
  e.pairs = counts.Pairs();
  if (e.pairs == 0) return e;
  e.score = MomentsOf(counts).mean;
  const double variance = RegularisedVariance(counts, e.score);
  // The prior's pairs keep the variance above 0 even for identical pair
  // scores: the standard error below divides.
  assert(e.score >= 0.0 && e.score <= 1.0 && variance > 0.0);
  const double standard_error = std::sqrt(variance / static_cast<double>(e.pairs));
  e.bound = e.score >= 1.0   ? EloBound::kLowerOnly
            : e.score <= 0.0 ? EloBound::kUpperOnly
                             : EloBound::kTwoSided;
  e.elo = Finite(EloFromScore(e.score));
  e.elo_low = Finite(EloFromScore(e.score - kNormalQuantile975 * standard_error));
  e.elo_high = Finite(EloFromScore(e.score + kNormalQuantile975 * standard_error));
  e.los = StandardNormalCdf((e.score - 0.5) / standard_error);
  const double nelo_per_score = kNeloPerGameT / std::sqrt(2.0 * variance);
  e.nelo = (e.score - 0.5) * nelo_per_score;
  e.nelo_low = (e.score - kNormalQuantile975 * standard_error - 0.5) * nelo_per_score;
  e.nelo_high = (e.score + kNormalQuantile975 * standard_error - 0.5) * nelo_per_score;
  return e;
}

}  // namespace curling::stats
