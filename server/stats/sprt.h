// Sequential probability ratio test on the game pairs: H0 "A is elo0
// stronger than B" against H1 "A is elo1 stronger", stopped when the
// log-likelihood ratio leaves [ln(beta / (1 - alpha)), ln((1 - beta) / alpha)].
//
// Two models of the hypotheses:
//   normalized  elo0 and elo1 are normalized Elo (nElo: the score's distance
//               from 1/2 in standard deviations of a game, times 800 / ln 10),
//               tested by the generalized SPRT on the pentanomial: the LLR of
//               the maximum-likelihood pair-score distributions that meet H1
//               and H0. nElo does not depend on how drawish the games are.
//   logistic    elo0 and elo1 are logistic Elo; the LLR is the normal
//               (Brownian) approximation N (s1 - s0) (2 s - s0 - s1) / (2 v).
#pragma once

#include <array>
#include <string>

#include "server/stats/pair_counts.h"

namespace curling::stats {

enum class SprtModel { kNormalized, kLogistic };
const char* SprtModelName(SprtModel m);  // "normalized", "logistic"

struct SprtParameters {
  double elo0 = 0.0;
  double elo1 = 5.0;
  double alpha = 0.05;
  double beta = 0.05;
  SprtModel model = SprtModel::kNormalized;
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

// No pairs: LLR 0, continue.
SprtStatus EvaluateSprt(const PairCounts& counts, const SprtParameters& p);

// The generalized SPRT's LLR on normalized Elo. Empty cells count as
// kEmptyCellPairs of a pair, so that a few identical pairs cannot decide at once.
double NormalizedLlr(const PairCounts& counts, double nelo0, double nelo1);

// The normal approximation on logistic Elo, with the variance of
// RegularisedVariance (half a pair of prior weight in every cell); eight
// perfect pairs against 0 / +50 give 2.97.
double LogisticLlr(const PairCounts& counts, double elo0, double elo1);

inline constexpr double kEmptyCellPairs = 1e-3;

}  // namespace curling::stats
