#include <gtest/gtest.h>

#include <cmath>
#include <optional>

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
  // Pairs scoring 0, 1/4, 1/2, 3/4, 1: 1, 2, 3, 3, 1 (N = 10), mean s = 5.25 / 10 = 0.525.
  // Variance with half a pair added to every cell, about s:
  // v = (1.5 * 0.525^2 + 2.5 * 0.275^2 + 3.5 * 0.025^2 + 3.5 * 0.225^2 + 1.5 * 0.475^2) / 12.5
  //   = (0.4134375 + 0.1890625 + 0.0021875 + 0.1771875 + 0.3384375) / 12.5 = 0.089625
  // standard error = sqrt(0.089625 / 10) = 0.0946705
  // interval of s: 0.525 -+ 1.959964 * 0.0946705 = [0.3394478, 0.7105522]
  // Elo = -400 log10(1 / 0.525 - 1) = +17.386
  // low = -400 log10(1 / 0.3394478 - 1) = -115.653, high = -400 log10(1 / 0.7105522 - 1) = +156.009
  // LOS = Phi(0.025 / 0.0946705) = Phi(0.264074) = 0.604138
  const EloEstimate e = EstimateElo(Counts(1, 2, 3, 3, 1));
  EXPECT_EQ(e.bound, EloBound::kTwoSided);
  EXPECT_EQ(e.pairs, 10);
  EXPECT_DOUBLE_EQ(e.score, 0.525);
  ASSERT_TRUE(e.elo && e.elo_low && e.elo_high && e.los);
  EXPECT_NEAR(*e.elo, 17.386, 1e-3);
  EXPECT_NEAR(*e.elo_low, -115.653, 1e-3);
  EXPECT_NEAR(*e.elo_high, 156.009, 1e-3);
  EXPECT_NEAR(*e.los, 0.604138, 1e-5);

  // Mirrored counts mirror everything around zero.
  const EloEstimate m = EstimateElo(Counts(1, 3, 3, 2, 1));
  EXPECT_NEAR(*m.elo, -17.386, 1e-3);
  EXPECT_NEAR(*m.elo_low, -156.009, 1e-3);
  EXPECT_NEAR(*m.elo_high, 115.653, 1e-3);
  EXPECT_NEAR(*m.los, 1.0 - 0.604138, 1e-5);
}

TEST(EloEstimate, EloScoreConversions) {
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
}

// Small and degenerate samples: identical pair scores still give an interval
// of some width and a LOS below certainty, perfect results bound the
// difference at least as strongly as nearly perfect ones, and the bound grows
// with the evidence. The numbers follow from the worked example's formulas.
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
    const EloEstimate e =
        EstimateElo(Counts(c.counts[0], c.counts[1], c.counts[2], c.counts[3], c.counts[4]));
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
    if (e.elo_low && e.elo_high) {
      EXPECT_LT(*e.elo_low, *e.elo_high) << label;
    }
  }
  // Perfect pairs bound the difference more strongly than pairs of 3/4, and
  // one pair of 3/4 less in twenty perfect ones lowers the bound.
  EXPECT_GT(*EstimateElo(Counts(0, 0, 0, 0, 10)).elo_low,
            *EstimateElo(Counts(0, 0, 0, 10, 0)).elo_low);
  EXPECT_GT(*EstimateElo(Counts(0, 0, 0, 0, 20)).elo_low,
            *EstimateElo(Counts(0, 0, 0, 1, 19)).elo_low);
  EXPECT_LT(*EstimateElo(Counts(0, 0, 0, 1, 0)).los, 0.99);
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
    const PairCounts counts =
        Counts(c.counts[0], c.counts[1], c.counts[2], c.counts[3], c.counts[4]);
    const SprtStatus s = EvaluateSprt(counts, {c.elo0, c.elo1, 0.05, 0.05, c.model});
    EXPECT_NEAR(s.llr, c.llr, 0.01) << SprtModelName(c.model) << " " << c.elo0 << " " << c.elo1;
  }
  // Degenerate counts depend on the prior: only the sign and the decision
  // must agree. A hundred and four perfect pairs are strong evidence for H1,
  // as many lost pairs for H0; a handful decide nothing yet.
  const SprtParameters normalized{0, 10, 0.05, 0.05};
  EXPECT_EQ(EvaluateSprt(Counts(0, 0, 0, 0, 104), normalized).decision, SprtDecision::kAcceptH1);
  EXPECT_EQ(EvaluateSprt(Counts(104, 0, 0, 0, 0), normalized).decision, SprtDecision::kAcceptH0);
  EXPECT_EQ(EvaluateSprt(Counts(0, 0, 0, 0, 4), normalized).decision, SprtDecision::kContinue);
  EXPECT_GT(EvaluateSprt(Counts(0, 0, 0, 0, 4), normalized).llr, 0.0);
}

TEST(EloEstimate, NormalizedEloIsTheScoresDistanceInGameDeviations) {
  // Counts 1, 2, 3, 3, 1: s = 0.525, v = 0.089625 (as above), sigma_game =
  // sqrt(2 v) = 0.423379; nElo = 0.025 / 0.423379 * 347.4356 = 20.516, its
  // interval (0.525 -+ 1.959964 * 0.0946705 - 0.5) / 0.423379 * 347.4356 =
  // [-131.752, +172.783].
  const EloEstimate e = EstimateElo(Counts(1, 2, 3, 3, 1));
  ASSERT_TRUE(e.nelo && e.nelo_low && e.nelo_high);
  EXPECT_NEAR(*e.nelo, 20.516, 1e-3);
  EXPECT_NEAR(*e.nelo_low, -131.752, 1e-3);
  EXPECT_NEAR(*e.nelo_high, 172.783, 1e-3);
  EXPECT_FALSE(EstimateElo(PairCounts{}).nelo.has_value());
}

TEST(Sprt, BoundsAndDecisionsOnWorkedCounts) {
  const SprtParameters p{0.0, 10.0, 0.05, 0.05, SprtModel::kLogistic};
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
