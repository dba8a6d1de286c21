#include "server/stats/sprt.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "server/stats/elo_estimate.h"

namespace curling::stats {

namespace {

using Distribution = std::array<double, 5>;

// Solves sum_i p_i b_i / (1 + x b_i) = 0 for x by bisection. The function
// falls from +inf to -inf on (-1 / max b, -1 / min b), so the root is unique.
// With every b of one sign no distribution tilted from p meets the
// hypothesis; x = 0 leaves p as it is.
double SolveTilt(const Distribution& p, const Distribution& b) {
  const double high_b = *std::max_element(b.begin(), b.end());
  const double low_b = *std::min_element(b.begin(), b.end());
  if (!(high_b > 0.0 && low_b < 0.0)) return 0.0;
  double lo = -1.0 / high_b;
  double hi = -1.0 / low_b;
  for (int i = 0; i < 200 && hi - lo > 1e-12; ++i) {
    const double x = 0.5 * (lo + hi);
    double f = 0.0;
    for (int k = 0; k < 5; ++k)
      f += p[k] * b[k] / (1.0 + x * b[k]);
    (f > 0.0 ? lo : hi) = x;
  }
  return 0.5 * (lo + hi);
}

Distribution Tilted(const Distribution& p, const Distribution& b) {
  const double x = SolveTilt(p, b);
  Distribution q;
  for (int k = 0; k < 5; ++k)
    q[k] = p[k] / (1.0 + x * b[k]);
  return q;
}

// The distribution closest to p (maximum likelihood) on the five pair scores
// whose t-value (mu - 1/2) / sigma is `t`, by fixed-point rounds from the
// uniform one.
Distribution ClosestWithT(const Distribution& p, double t) {
  Distribution q;
  q.fill(0.2);
  for (int round = 0; round < 100; ++round) {
    double mu = 0.0;
    for (int k = 0; k < 5; ++k)
      mu += q[k] * PairScoreOfCell(k);
    double var = 0.0;
    for (int k = 0; k < 5; ++k)
      var += q[k] * (PairScoreOfCell(k) - mu) * (PairScoreOfCell(k) - mu);
    const double sigma = std::sqrt(var);
    if (!(sigma > 0.0)) break;
    Distribution b;
    for (int k = 0; k < 5; ++k) {
      const double z = (mu - PairScoreOfCell(k)) / sigma;
      b[k] = PairScoreOfCell(k) - 0.5 - t * sigma * (1.0 + z * z) / 2.0;
    }
    const Distribution next = Tilted(p, b);
    double change = 0.0;
    for (int k = 0; k < 5; ++k)
      change = std::max(change, std::abs(next[k] - q[k]));
    q = next;
    if (change < 1e-9) break;
  }
  return q;
}

}  // namespace

const char* SprtModelName(SprtModel m) {
  return m == SprtModel::kLogistic ? "logistic" : "normalized";
}

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

double NormalizedLlr(const PairCounts& counts, double nelo0, double nelo1) {
  Distribution p;
  double total = 0.0;
  for (int k = 0; k < 5; ++k) {
    p[k] = counts.count[k] > 0 ? static_cast<double>(counts.count[k]) : kEmptyCellPairs;
    total += p[k];
  }
  for (double& v : p)
    v /= total;
  // A pair is two games: its t-value is sqrt(2) times the per-game one.
  const Distribution q0 = ClosestWithT(p, nelo0 / kNeloPerGameT * std::sqrt(2.0));
  const Distribution q1 = ClosestWithT(p, nelo1 / kNeloPerGameT * std::sqrt(2.0));
  double llr = 0.0;
  for (int k = 0; k < 5; ++k)
    llr += p[k] * std::log(q1[k] / q0[k]);
  return total * llr;
}

double LogisticLlr(const PairCounts& counts, double elo0, double elo1) {
  const double mean = MomentsOf(counts).mean;
  const double variance = RegularisedVariance(counts, mean);
  const double s0 = ScoreFromElo(elo0);
  const double s1 = ScoreFromElo(elo1);
  return static_cast<double>(counts.Pairs()) * (s1 - s0) * (2.0 * mean - s0 - s1) /
         (2.0 * variance);
}

SprtStatus EvaluateSprt(const PairCounts& counts, const SprtParameters& p) {
  SprtStatus s;
  s.lower_bound = std::log(p.beta / (1.0 - p.alpha));
  s.upper_bound = std::log((1.0 - p.beta) / p.alpha);
  if (counts.Pairs() == 0) return s;
  s.llr = p.model == SprtModel::kLogistic ? LogisticLlr(counts, p.elo0, p.elo1)
                                          : NormalizedLlr(counts, p.elo0, p.elo1);
  if (s.llr >= s.upper_bound) {
    s.decision = SprtDecision::kAcceptH1;
  } else if (s.llr <= s.lower_bound) {
    s.decision = SprtDecision::kAcceptH0;
  }
  return s;
}

}  // namespace curling::stats
