#include <gtest/gtest.h>

#include <cmath>

#include "server/stats/elo_estimate.h"
#include "server/stats/pair_counts.h"
#include "server/stats/sprt.h"

namespace curling::stats {
namespace {

PairCounts Counts(int64_t c0, int64_t c1, int64_t c2, int64_t c3, int64_t c4) {
  PairCounts c;
  c.count = {c0, c1, c2, c3, c4};
  return c;
}

TEST(EloEstimate, WorkedExampleOfTenPairs) {
  // Pairs scoring 0, 1/4, 1/2, 3/4, 1: 1, 2, 3, 3, 1 (N = 10).
  // mean s = (0 + 2 * 0.25 + 3 * 0.5 + 3 * 0.75 + 1) / 10 = 5.25 / 10 = 0.525
  // variance = (1 * 0.525^2 + 2 * 0.275^2 + 3 * 0.025^2 + 3 * 0.225^2 + 1 * 0.475^2) / 10
  //          = (0.275625 + 0.15125 + 0.001875 + 0.151875 + 0.225625) / 10 = 0.080625
  // standard error = sqrt(0.080625 / 10) = 0.0897914
  // interval of s: 0.525 -+ 1.959964 * 0.0897914 = [0.349012, 0.700988]
  // Elo = -400 log10(1 / 0.525 - 1) = -400 log10(0.9047619) = +17.386
  // low = -400 log10(1 / 0.349012 - 1) = -108.293, high = -400 log10(1 / 0.700988 - 1) = +148.009
  // LOS = Phi(0.025 / 0.0897914) = Phi(0.27842) = 0.60966
  const EloEstimate e = EstimateElo(Counts(1, 2, 3, 3, 1));
  EXPECT_EQ(e.bound, EloBound::kTwoSided);
  EXPECT_EQ(e.pairs, 10);
  EXPECT_DOUBLE_EQ(e.score, 0.525);
  ASSERT_TRUE(e.elo && e.elo_low && e.elo_high && e.los);
  EXPECT_NEAR(*e.elo, 17.386, 1e-3);
  EXPECT_NEAR(*e.elo_low, -108.293, 1e-3);
  EXPECT_NEAR(*e.elo_high, 148.009, 1e-3);
  EXPECT_NEAR(*e.los, 0.60966, 1e-5);

  // Mirrored counts mirror everything around zero.
  const EloEstimate m = EstimateElo(Counts(1, 3, 3, 2, 1));
  EXPECT_NEAR(*m.elo, -17.386, 1e-3);
  EXPECT_NEAR(*m.elo_low, -148.009, 1e-3);
  EXPECT_NEAR(*m.elo_high, 108.293, 1e-3);
  EXPECT_NEAR(*m.los, 1.0 - 0.60966, 1e-5);
}

TEST(EloEstimate, EloScoreConversionsAndDegenerateCases) {
  EXPECT_DOUBLE_EQ(EloFromScore(0.5), 0.0);
  // 0.75 = 1 / (1 + 10^(-elo/400)) <=> elo = 400 log10(3) = 190.849
  EXPECT_NEAR(EloFromScore(0.75), 190.849, 1e-3);
  EXPECT_NEAR(ScoreFromElo(190.849), 0.75, 1e-6);
  EXPECT_TRUE(std::isinf(EloFromScore(1.0)) && EloFromScore(1.0) > 0);
  EXPECT_TRUE(std::isinf(EloFromScore(0.0)) && EloFromScore(0.0) < 0);

  // No complete pair: nothing is estimated.
  const EloEstimate none = EstimateElo(PairCounts{});
  EXPECT_EQ(none.bound, EloBound::kNone);
  EXPECT_FALSE(none.elo || none.elo_low || none.elo_high || none.los);

  // Every pair split evenly: zero width interval at 0, LOS one half.
  const EloEstimate even = EstimateElo(Counts(0, 0, 4, 0, 0));
  EXPECT_EQ(even.bound, EloBound::kTwoSided);
  EXPECT_DOUBLE_EQ(*even.elo, 0.0);
  EXPECT_DOUBLE_EQ(*even.elo_low, 0.0);
  EXPECT_DOUBLE_EQ(*even.elo_high, 0.0);
  EXPECT_DOUBLE_EQ(*even.los, 0.5);

  // An interval end past a score of 1 is unbounded, the estimate itself is not.
  // Pairs 1/2 and 1 (N = 2): s = 0.75, variance 0.0625, s + 1.96 * 0.1768 > 1.
  const EloEstimate wide = EstimateElo(Counts(0, 0, 1, 0, 1));
  ASSERT_TRUE(wide.elo && wide.elo_low);
  EXPECT_NEAR(*wide.elo, 190.849, 1e-3);
  EXPECT_FALSE(wide.elo_high.has_value());
}

TEST(EloEstimate, OneSideScoringEveryPointGivesOneSidedBound) {
  // Ten perfect pairs: the score is at least 0.05^(1/10) = 0.741134 with 95%
  // confidence; -400 log10(1 / 0.741134 - 1) = +182.729.
  const EloEstimate a = EstimateElo(Counts(0, 0, 0, 0, 10));
  EXPECT_EQ(a.bound, EloBound::kLowerOnly);
  EXPECT_FALSE(a.elo.has_value());
  EXPECT_FALSE(a.elo_high.has_value());
  ASSERT_TRUE(a.elo_low.has_value());
  EXPECT_NEAR(*a.elo_low, 182.729, 1e-3);
  EXPECT_DOUBLE_EQ(*a.los, 1.0);

  // B perfect over ten pairs: the mirror image, an upper bound.
  const EloEstimate b = EstimateElo(Counts(10, 0, 0, 0, 0));
  EXPECT_EQ(b.bound, EloBound::kUpperOnly);
  EXPECT_FALSE(b.elo.has_value() || b.elo_low.has_value());
  EXPECT_NEAR(*b.elo_high, -182.729, 1e-3);

  // One perfect pair proves little: 0.05 -> -400 log10(19) = -511.501.
  EXPECT_NEAR(*EstimateElo(Counts(0, 0, 0, 0, 1)).elo_low, -511.501, 1e-3);
}

TEST(Sprt, BoundsAndDecisionsOnWorkedCounts) {
  const SprtParameters p{0.0, 10.0, 0.05, 0.05};
  // ln(0.05 / 0.95) = -2.944439, ln(0.95 / 0.05) = +2.944439
  // s0 = 0.5, s1 = 1 / (1 + 10^(-10/400)) = 0.514387

  // The variance adds half a pair to every cell, about the plain mean s:
  // v = sum (n_k + 1/2) (k/4 - s)^2 / (N + 5/2).

  // Clear H1: counts 1, 8, 36, 35, 20 (N = 100): s = 66.25 / 100 = 0.6625;
  // v = (1.5 * 0.6625^2 + 8.5 * 0.4125^2 + 36.5 * 0.1625^2 + 35.5 * 0.0875^2
  //      + 20.5 * 0.3375^2) / 102.5
  //   = (0.658359 + 1.446328 + 0.963828 + 0.271797 + 2.335078) / 102.5 = 0.0553697;
  // LLR = 100 * 0.0143872 * (1.325 - 1.0143872) / (2 * 0.0553697) = 4.0355
  const SprtStatus h1 = EvaluateSprt(Counts(1, 8, 36, 35, 20), p);
  EXPECT_NEAR(h1.lower_bound, -2.944439, 1e-6);
  EXPECT_NEAR(h1.upper_bound, 2.944439, 1e-6);
  EXPECT_NEAR(h1.llr, 4.0355, 1e-4);
  EXPECT_EQ(h1.decision, SprtDecision::kAcceptH1);

  // Clear H0: counts 20, 30, 40, 10, 0: s = 0.35;
  // v = (20.5 * 0.1225 + 30.5 * 0.01 + 40.5 * 0.0225 + 10.5 * 0.16 + 0.5 * 0.4225) / 102.5
  //   = 5.61875 / 102.5 = 0.0548171;
  // LLR = 100 * 0.0143872 * (0.7 - 1.0143872) / (2 * 0.0548171) = -4.1257
  const SprtStatus h0 = EvaluateSprt(Counts(20, 30, 40, 10, 0), p);
  EXPECT_NEAR(h0.llr, -4.1257, 1e-4);
  EXPECT_EQ(h0.decision, SprtDecision::kAcceptH0);

  // Undecided: counts 10, 30, 40, 15, 5: s = 43.75 / 100 = 0.4375;
  // v = (10.5 * 0.191406 + 30.5 * 0.035156 + 40.5 * 0.003906 + 15.5 * 0.097656
  //      + 5.5 * 0.316406) / 102.5 = 6.494141 / 102.5 = 0.0633575;
  // LLR = 100 * 0.0143872 * (0.875 - 1.0143872) / (2 * 0.0633575) = -1.5826
  const SprtStatus open = EvaluateSprt(Counts(10, 30, 40, 15, 5), p);
  EXPECT_NEAR(open.llr, -1.5826, 1e-4);
  EXPECT_EQ(open.decision, SprtDecision::kContinue);

  // A few identical pairs do not decide at once (without the prior v would be
  // 0): eight perfect pairs give v = 0.5 * (1 + 0.5625 + 0.25 + 0.0625) / 10.5 = 0.0892857 and
  // LLR = 8 * 0.0143872 * 0.9856128 / 0.1785714 = 0.6353; thirty give 7.3737.
  const SprtStatus few = EvaluateSprt(Counts(0, 0, 0, 0, 8), p);
  EXPECT_NEAR(few.llr, 0.6353, 1e-4);
  EXPECT_EQ(few.decision, SprtDecision::kContinue);
  EXPECT_NEAR(EvaluateSprt(Counts(0, 0, 0, 0, 30), p).llr, 7.3737, 1e-4);
  EXPECT_EQ(EvaluateSprt(Counts(1, 0, 0, 0, 0), p).decision, SprtDecision::kContinue);
  EXPECT_EQ(EvaluateSprt(PairCounts{}, p).decision, SprtDecision::kContinue);
}

TEST(Sprt, RejectsParametersThatMakeNoTest) {
  EXPECT_EQ(ValidateSprtParameters({0, 10, 0.05, 0.05}), "");
  EXPECT_NE(ValidateSprtParameters({10, 0, 0.05, 0.05}), "");
  EXPECT_NE(ValidateSprtParameters({0, 0, 0.05, 0.05}), "");
  EXPECT_NE(ValidateSprtParameters({0, 10, 0.0, 0.05}), "");
  EXPECT_NE(ValidateSprtParameters({0, 10, 0.05, 1.0}), "");
  EXPECT_NE(ValidateSprtParameters({0, 10, 0.6, 0.5}), "");
  EXPECT_NE(ValidateSprtParameters({0, NAN, 0.05, 0.05}), "");
}

}  // namespace
}  // namespace curling::stats
