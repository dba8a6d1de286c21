// Sequential probability ratio test on the game pairs: H0 "A is elo0 stronger
// than B" against H1 "A is elo1 stronger" (logistic Elo), stopped when the
// log-likelihood ratio leaves [ln(beta / (1 - alpha)), ln((1 - beta) / alpha)].
#pragma once

#include <string>

#include "server/stats/pair_counts.h"

namespace curling::stats {

struct SprtParameters {
  double elo0 = 0.0;
  double elo1 = 5.0;
  double alpha = 0.05;
  double beta = 0.05;
};

// Empty when the parameters make a test; otherwise what is wrong with them.
std::string ValidateSprtParameters(const SprtParameters& p);

enum class SprtDecision { kContinue, kAcceptH0, kAcceptH1 };
const char* SprtDecisionName(SprtDecision d);  // "continue", "H0", "H1"

struct SprtStatus {
  double llr = 0.0;
  double lower_bound = 0.0;  // ln(beta / (1 - alpha)): at or below, H0 is accepted
  double upper_bound = 0.0;  // ln((1 - beta) / alpha): at or above, H1 is accepted
  SprtDecision decision = SprtDecision::kContinue;
};

// The log-likelihood ratio of the pentanomial pair scores in the normal
// approximation: with N pairs of mean s and variance v, and s0, s1 the
// expected scores of elo0 and elo1,
//   LLR = N (s1 - s0) (2 s - s0 - s1) / (2 v).
// s is the mean of the counts as they are; v is their second moment about s
// with half a pair added to every cell (a weak prior), so that a handful of
// identical pair scores cannot look certain (v = 0 would make one pair
// decide the test). The prior's weight fades as pairs come in.
// No pairs: LLR 0, continue.
SprtStatus EvaluateSprt(const PairCounts& counts, const SprtParameters& p);

}  // namespace curling::stats
