// The ratings fit: agreement with the tournament's own Elo on two players,
// known strengths recovered from synthetic pairs, and the cases without a
// maximum-likelihood answer.
#include "server/results/rating_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "server/stats/elo_estimate.h"

namespace curling::results {
namespace {

stats::EloEstimate TournamentElo(const std::array<int64_t, 5>& count) {
  stats::PairCounts counts;
  counts.count = count;
  return stats::EstimateElo(counts);
}

RatingFit TwoPlayers(const std::array<int64_t, 5>& count, int draws = 4000) {
  RatingOptions options;
  options.draws = draws;
  options.anchor = 1;  // B at 0: A's rating is the difference
  return FitRatings(2, {{0, 1, count}}, options);
}

// The estimate is the tournament's exactly; the interval and the LOS are its
// own, up to the draws' noise: with 4000 draws the ends agree to a tenth of
// the score's standard error (compared as scores: near a score of 1 an Elo
// end moves a lot for a small change of score).
TEST(RatingFit, TwoPlayersAgreeWithTheTournamentsElo) {
  for (const std::array<int64_t, 5>& count :
       {std::array<int64_t, 5>{3, 10, 20, 14, 5}, std::array<int64_t, 5>{0, 2, 30, 9, 1},
        std::array<int64_t, 5>{12, 30, 40, 10, 2}, std::array<int64_t, 5>{1, 1, 4, 9, 14}}) {
    const stats::EloEstimate tournament = TournamentElo(count);
    const RatingFit fit = TwoPlayers(count);
    const PlayerRating& a = fit.players[0];
    ASSERT_TRUE(tournament.elo && tournament.elo_low && tournament.elo_high);
    EXPECT_NEAR(a.elo, *tournament.elo, 1e-6);
    EXPECT_FALSE(a.regularised);
    const double low = stats::ScoreFromElo(*tournament.elo_low);
    const double high = stats::ScoreFromElo(*tournament.elo_high);
    const double tolerance = 0.1 * (high - low) / (2 * stats::kNormalQuantile975);
    ASSERT_TRUE(a.low && a.high);
    EXPECT_NEAR(stats::ScoreFromElo(*a.low), low, tolerance);
    EXPECT_NEAR(stats::ScoreFromElo(*a.high), high, tolerance);
    ASSERT_EQ(fit.order.front(), *tournament.elo > 0 ? 0 : 1);
    const double los = *fit.players[static_cast<size_t>(fit.order.front())].los_next;
    EXPECT_NEAR(los, std::max(*tournament.los, 1 - *tournament.los), 0.015);
    EXPECT_EQ(a.pairs, count[0] + count[1] + count[2] + count[3] + count[4]);
  }
}

// Where the tournament's interval is unbounded at one end, so is this one;
// a perfect score has no maximum-likelihood estimate and is regularised.
TEST(RatingFit, PerfectScoresAreRegularisedAndUnboundedAsTheTournamentSays) {
  const RatingFit perfect = TwoPlayers({0, 0, 0, 0, 10});
  EXPECT_TRUE(perfect.players[0].regularised);
  EXPECT_TRUE(std::isfinite(perfect.players[0].elo));
  EXPECT_GT(perfect.players[0].elo, 275.8);  // the tournament's bound for ten perfect pairs
  EXPECT_FALSE(perfect.players[0].high);
  ASSERT_TRUE(perfect.players[0].low);

  const stats::EloEstimate near = TournamentElo({0, 0, 1, 2, 3});
  ASSERT_FALSE(near.elo_high);
  const RatingFit fit = TwoPlayers({0, 0, 1, 2, 3});
  EXPECT_FALSE(fit.players[0].regularised);
  EXPECT_FALSE(fit.players[0].high);
  ASSERT_TRUE(fit.players[0].low && near.elo_low);
  EXPECT_NEAR(*fit.players[0].low, *near.elo_low, 15.0);
}

// A pair's score for A drawn from a pentanomial model of two games, each won
// with the logistic probability of the Elo difference less a draw share.
int DrawPairCell(double elo_difference, std::mt19937_64& random) {
  const double expected = stats::ScoreFromElo(elo_difference);
  const double draw = 0.2 * (1 - std::abs(2 * expected - 1));
  std::uniform_real_distribution<double> u(0, 1);
  int half_points = 0;
  for (int game = 0; game < 2; ++game) {
    const double x = u(random);
    half_points += x < expected - draw / 2 ? 2 : x < expected + draw / 2 ? 1 : 0;
  }
  return half_points;
}

TEST(RatingFit, RecoversKnownStrengthsFromSyntheticPairs) {
  const std::vector<double> truth = {0, 120, -80, 300, 40, -250};
  const int n = static_cast<int>(truth.size());
  std::mt19937_64 random(7);
  std::vector<PairingCounts> pairings;
  for (int a = 0; a < n; ++a) {
    for (int b = a + 1; b < n; ++b) {
      // A sparse schedule: not every pair of players meets, and not equally.
      if ((a + b) % 4 == 3) continue;
      PairingCounts p{a, b, {}};
      for (int i = 0; i < 150 + 50 * b; ++i)
        ++p.count[static_cast<size_t>(DrawPairCell(truth[a] - truth[b], random))];
      pairings.push_back(p);
    }
  }
  RatingOptions options;
  options.anchor = 0;
  options.anchor_elo = 0;
  options.draws = 500;
  const RatingFit fit = FitRatings(n, pairings, options);
  ASSERT_EQ(fit.groups, 1);
  int inside = 0;
  for (int i = 0; i < n; ++i) {
    const PlayerRating& p = fit.players[static_cast<size_t>(i)];
    EXPECT_NEAR(p.elo, truth[i], 40.0) << "player " << i;
    ASSERT_TRUE(p.low && p.high);
    inside += *p.low <= truth[i] && truth[i] <= *p.high ? 1 : 0;
  }
  EXPECT_GE(inside, n - 1);  // 95% intervals: at most one miss in six
  // Ranked by strength: 3, 1, 4, 0, 2, 5.
  EXPECT_EQ(fit.order, (std::vector<int>{3, 1, 4, 0, 2, 5}));
}

TEST(RatingFit, PlayersWithoutAChainOfPairsAreRatedApart) {
  RatingOptions options;
  options.draws = 0;
  const RatingFit fit = FitRatings(
      5, {{0, 1, {1, 2, 5, 2, 1}}, {2, 3, {0, 1, 2, 6, 3}}, {2, 3, {0, 0, 1, 0, 0}}}, options);
  EXPECT_EQ(fit.groups, 2);
  // The group with more pairs first; each group's mean is 0; player 4 has no pair.
  EXPECT_EQ(fit.players[2].group, 0);
  EXPECT_EQ(fit.players[0].group, 1);
  EXPECT_EQ(fit.players[4].group, -1);
  EXPECT_NEAR(fit.players[2].elo + fit.players[3].elo, 0, 1e-9);
  EXPECT_NEAR(fit.players[0].elo, 0, 1e-9);
  EXPECT_EQ(fit.order, (std::vector<int>{2, 3, 0, 1}));
  EXPECT_FALSE(fit.players[2].low);
}

}  // namespace
}  // namespace curling::results
