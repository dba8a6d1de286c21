#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>

#include "server/stats/elo_estimate.h"
#include "server/stats/pair_counts.h"
#include "server/stats/sprt.h"

namespace curling::stats {
namespace {

PairCounts Counts(std::array<int64_t, 5> count) {
  PairCounts c;
  c.count = count;
  return c;
}

TEST(EloEstimate, WorkedExampleOfTenPairs) {
  // Pairs scoring 0, 1/4, 1/2, 3/4, 1: 1, 2, 3, 3, 1. By the formulas of docs/tournaments.md
  // s = 0.525, v = 0.089625, standard error 0.0946705, s interval [0.3394478, 0.7105522].
  const EloEstimate e = EstimateElo(Counts({1, 2, 3, 3, 1}));
  EXPECT_EQ(e.bound, EloBound::kTwoSided);
  EXPECT_EQ(e.pairs, 10);
  EXPECT_DOUBLE_EQ(e.score, 0.525);
  ASSERT_TRUE(e.elo && e.elo_low && e.elo_high && e.los);
  EXPECT_NEAR(*e.elo, 17.386, 1e-3);
  EXPECT_NEAR(*e.elo_low, -115.653, 1e-3);
  EXPECT_NEAR(*e.elo_high, 156.009, 1e-3);
  EXPECT_NEAR(*e.los, 0.604138, 1e-5);

  // Mirrored counts mirror everything around zero.
  const EloEstimate m = EstimateElo(Counts({1, 3, 3, 2, 1}));
  EXPECT_NEAR(*m.elo, -17.386, 1e-3);
  EXPECT_NEAR(*m.elo_low, -156.009, 1e-3);
  EXPECT_NEAR(*m.elo_high, 115.653, 1e-3);
  EXPECT_NEAR(*m.los, 1.0 - 0.604138, 1e-5);
}

// Identical pair scores still give an interval of some width and a LOS below
// certainty; perfect results bound the difference, more so with more evidence.
TEST(EloEstimate, SmallAndDegenerateSamplesStayConsistent) {
  const struct {
    std::array<int64_t, 5> counts;
    EloBound bound;
    std::optional<double> elo, low, high;
    double los;
  } cases[] = {
      // Ten pairs of 3/4: v = 0.5 * 0.9375 / 12.5 = 0.0375, se = 0.0612372.
      {{0, 0, 0, 10, 0}, EloBound::kTwoSided, 190.849, 92.439, 330.265, 0.999978},
      // One pair of 3/4 proves little: v = 0.5 * 0.9375 / 3.5, se = 0.365963.
      {{0, 0, 0, 1, 0}, EloBound::kTwoSided, 190.849, -588.259, std::nullopt, 0.752738},
      // Four even pairs: an interval around 0, not a point.
      {{0, 0, 4, 0, 0}, EloBound::kTwoSided, 0.0, -159.678, 159.678, 0.5},
      // A scored every point: the estimate is unbounded, the low end bounds it.
      {{0, 0, 0, 0, 10}, EloBound::kLowerOnly, std::nullopt, 275.775, std::nullopt, 1.0},
      {{10, 0, 0, 0, 0}, EloBound::kUpperOnly, std::nullopt, std::nullopt, -275.775, 0.0},
      {{0, 0, 0, 0, 20}, EloBound::kLowerOnly, std::nullopt, 403.069, std::nullopt, 1.0},
      {{0, 0, 0, 1, 19}, EloBound::kTwoSided, 759.051, 375.400, std::nullopt, 1.0},
      // One perfect pair: no bound at all yet.
      {{0, 0, 0, 0, 1}, EloBound::kLowerOnly, std::nullopt, std::nullopt, std::nullopt, 0.833001},
  };
  for (const auto& c : cases) {
    const EloEstimate e = EstimateElo(Counts(c.counts));
    const std::string label = ::testing::PrintToString(c.counts);
    EXPECT_EQ(e.bound, c.bound) << label;
    for (const auto& [got, want] :
         {std::pair{e.elo, c.elo}, std::pair{e.elo_low, c.low}, std::pair{e.elo_high, c.high}}) {
      ASSERT_EQ(got.has_value(), want.has_value()) << label;
      if (want) {
        EXPECT_NEAR(*got, *want, 1e-3) << label;
      }
    }
    ASSERT_TRUE(e.los) << label;
    EXPECT_NEAR(*e.los, c.los, 1e-5) << label;
  }
  // No complete pair: nothing is estimated.
  const EloEstimate none = EstimateElo(PairCounts{});
  EXPECT_EQ(none.bound, EloBound::kNone);
  EXPECT_FALSE(none.elo || none.elo_low || none.elo_high || none.los || none.nelo);
}

// The worked examples of the chess testing frameworks (alpha = beta = 0.05),
// to the two decimals they are given with.
TEST(Sprt, ReproducesTheFrameworksWorkedExamples) {
  const struct {
    SprtModel model;
    std::array<int64_t, 5> counts;
    double elo0, elo1, llr;
  } cases[] = {
      {SprtModel::kNormalized, {365, 16618, 36229, 16974, 390}, 0, 2, 2.25},
      {SprtModel::kNormalized, {127, 4883, 10712, 5150, 104}, -1.75, 0.25, 3.01},
      {SprtModel::kLogistic, {223, 9863, 21279, 10037, 246}, 0.5, 2.5, -3.07},
      {SprtModel::kLogistic, {871, 26175, 55983, 26678, 821}, 0, 2, -4.98},
  };
  for (const auto& c : cases) {
    const SprtStatus s = EvaluateSprt(Counts(c.counts), {c.elo0, c.elo1, 0.05, 0.05, c.model});
    EXPECT_NEAR(s.llr, c.llr, 0.01) << SprtModelName(c.model) << " " << c.elo0 << " " << c.elo1;
  }
  // Degenerate counts depend on the prior: only the sign and the decision
  // must agree. A hundred and four perfect pairs are strong evidence for H1,
  // as many lost pairs for H0; a handful decide nothing yet.
  const SprtParameters normalized{0, 10, 0.05, 0.05};
  EXPECT_EQ(EvaluateSprt(Counts({0, 0, 0, 0, 104}), normalized).decision, SprtDecision::kAcceptH1);
  EXPECT_EQ(EvaluateSprt(Counts({104, 0, 0, 0, 0}), normalized).decision, SprtDecision::kAcceptH0);
  EXPECT_EQ(EvaluateSprt(Counts({0, 0, 0, 0, 4}), normalized).decision, SprtDecision::kContinue);
  EXPECT_GT(EvaluateSprt(Counts({0, 0, 0, 0, 4}), normalized).llr, 0.0);
}

TEST(EloEstimate, NormalizedEloIsTheScoresDistanceInGameDeviations) {
  // Counts 1, 2, 3, 3, 1 (s = 0.525, v = 0.089625): sigma_game = sqrt(2 v) = 0.423379.
  const EloEstimate e = EstimateElo(Counts({1, 2, 3, 3, 1}));
  ASSERT_TRUE(e.nelo && e.nelo_low && e.nelo_high);
  EXPECT_NEAR(*e.nelo, 20.516, 1e-3);
  EXPECT_NEAR(*e.nelo_low, -131.752, 1e-3);
  EXPECT_NEAR(*e.nelo_high, 172.783, 1e-3);
}

TEST(Sprt, BoundsAndDecisionsOnWorkedCounts) {
  // Logistic 0 / +10: s0 = 0.5, s1 = 0.514387, LLR = N (s1 - s0)(2s - s0 - s1) / (2v) with the
  // prior in v (e.g. 0.0553697 for the first counts, s = 0.6625). Without the prior a few
  // identical pairs would have v = 0 and decide at once; eight perfect pairs must not.
  const SprtParameters p{0.0, 10.0, 0.05, 0.05, SprtModel::kLogistic};
  const SprtStatus first = EvaluateSprt(Counts({1, 8, 36, 35, 20}), p);
  EXPECT_NEAR(first.lower_bound, -2.944439, 1e-6);
  EXPECT_NEAR(first.upper_bound, 2.944439, 1e-6);
  const struct {
    std::array<int64_t, 5> counts;
    double llr;
    SprtDecision decision;
  } cases[] = {
      {{1, 8, 36, 35, 20}, 4.0355, SprtDecision::kAcceptH1},
      {{20, 30, 40, 10, 0}, -4.1257, SprtDecision::kAcceptH0},
      {{10, 30, 40, 15, 5}, -1.5826, SprtDecision::kContinue},
      {{0, 0, 0, 0, 8}, 0.6353, SprtDecision::kContinue},
      {{0, 0, 0, 0, 30}, 7.3737, SprtDecision::kAcceptH1},
  };
  for (const auto& c : cases) {
    const SprtStatus s = EvaluateSprt(Counts(c.counts), p);
    EXPECT_NEAR(s.llr, c.llr, 1e-4) << ::testing::PrintToString(c.counts);
    EXPECT_EQ(s.decision, c.decision) << ::testing::PrintToString(c.counts);
  }
  EXPECT_EQ(EvaluateSprt(Counts({1, 0, 0, 0, 0}), p).decision, SprtDecision::kContinue);
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
