#include "server/stats/elo_estimate.h"

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

EloEstimate EstimateElo(const PairCounts& counts) {
  EloEstimate e;
  e.pairs = counts.Pairs();
  if (e.pairs == 0) return e;
  const PairScoreMoments m = MomentsOf(counts);
  e.score = m.mean;
  const double n = static_cast<double>(e.pairs);

  if (counts.count[4] == e.pairs || counts.count[0] == e.pairs) {
    const double worst = std::pow(1.0 - kOneSidedConfidence, 1.0 / n);
    const double bound = EloFromScore(worst);
    if (counts.count[4] == e.pairs) {
      e.bound = EloBound::kLowerOnly;
      e.elo_low = Finite(bound);
      e.los = 1.0;
    } else {
      e.bound = EloBound::kUpperOnly;
      e.elo_high = Finite(-bound);
      e.los = 0.0;
    }
    return e;
  }

  e.bound = EloBound::kTwoSided;
  const double standard_error = std::sqrt(m.variance / n);
  e.elo = Finite(EloFromScore(m.mean));
  e.elo_low = Finite(EloFromScore(m.mean - kNormalQuantile975 * standard_error));
  e.elo_high = Finite(EloFromScore(m.mean + kNormalQuantile975 * standard_error));
  if (standard_error > 0.0) {
    e.los = StandardNormalCdf((m.mean - 0.5) / standard_error);
  } else {
    e.los = m.mean > 0.5 ? 1.0 : (m.mean < 0.5 ? 0.0 : 0.5);
  }
  return e;
}

}  // namespace curling::stats
