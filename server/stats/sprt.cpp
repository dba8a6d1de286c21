#include "server/stats/sprt.h"

#include <cmath>

#include "server/stats/elo_estimate.h"

namespace curling::stats {

std::string ValidateSprtParameters(const SprtParameters& p) {
  if (!std::isfinite(p.elo0) || !std::isfinite(p.elo1)) return "elo0 and elo1 must be finite";
  if (!(p.elo0 < p.elo1)) return "elo0 must be smaller than elo1";
  if (!(p.alpha > 0.0 && p.alpha < 1.0) || !(p.beta > 0.0 && p.beta < 1.0)) {
    return "alpha and beta must lie strictly between 0 and 1";
  }
  if (!(p.alpha + p.beta < 1.0)) return "alpha + beta must be below 1";
  return {};
}

const char* SprtDecisionName(SprtDecision d) {
  switch (d) {
    case SprtDecision::kAcceptH0:
      return "H0";
    case SprtDecision::kAcceptH1:
      return "H1";
    case SprtDecision::kContinue:
      break;
  }
  return "continue";
}

SprtStatus EvaluateSprt(const PairCounts& counts, const SprtParameters& p) {
  SprtStatus s;
  s.lower_bound = std::log(p.beta / (1.0 - p.alpha));
  s.upper_bound = std::log((1.0 - p.beta) / p.alpha);
  const int64_t pairs = counts.Pairs();
  if (pairs == 0) return s;

  const double mean = MomentsOf(counts).mean;
  const double variance = RegularisedVariance(counts, mean);
  const double s0 = ScoreFromElo(p.elo0);
  const double s1 = ScoreFromElo(p.elo1);
  s.llr = static_cast<double>(pairs) * (s1 - s0) * (2.0 * mean - s0 - s1) / (2.0 * variance);
  if (s.llr >= s.upper_bound) {
    s.decision = SprtDecision::kAcceptH1;
  } else if (s.llr <= s.lower_bound) {
    s.decision = SprtDecision::kAcceptH0;
  }
  return s;
}

}  // namespace curling::stats
