// The sample schedule of successive halving: rounds, round-robin items,
// which half goes on, and order-free sums.
#include <gtest/gtest.h>

#include "search/strong/successive_halving.h"

namespace curling::strong {
namespace {

TEST(SuccessiveHalvingTest, RoundsHalveToOneCandidate) {
  const struct {
    int candidates;
    int rounds;
  } cases[] = {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {100, 7}, {128, 7}, {129, 8}};
  for (const auto& c : cases) {
    SuccessiveHalving h(c.candidates);
    EXPECT_EQ(h.rounds(), c.rounds) << c.candidates;
    int rounds = 0;
    for (; !h.finished(); ++rounds)
      h.EndRound();
    EXPECT_EQ(rounds, c.rounds);
    if (c.candidates > 0) {
      EXPECT_EQ(h.survivors().size(), 1u) << c.candidates;
    }
  }
}

TEST(SuccessiveHalvingTest, ItemsGoRoundRobinAndTheBetterHalfStays) {
  SuccessiveHalving h(5);
  // Round 0: items 0..9 visit candidates 0..4 twice, sample numbers 0 then 1.
  for (int64_t item = 0; item < 10; ++item) {
    EXPECT_EQ(h.CandidateOf(item), item % 5);
    EXPECT_EQ(h.SampleOf(item), item / 5);
  }
  EXPECT_EQ(h.RoundItems(3), 5) << "at least one rollout per candidate";
  EXPECT_EQ(h.RoundItems(300), 100);
  const double means[5] = {0.2, 0.9, 0.5, 0.9, 0.1};
  for (int c = 0; c < 5; ++c)
    h.Add(c, 2 * SuccessiveHalving::ToFixed(means[c]), 2);
  h.EndRound();
  // Best three of five (rounded up), ties kept in candidate order.
  EXPECT_EQ(h.survivors(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(h.Best(), 1);
  // Sample numbers go on from each survivor's count.
  EXPECT_EQ(h.CandidateOf(4), 2);
  EXPECT_EQ(h.SampleOf(4), 3);
  // A candidate with no rollout never outranks one with any.
  SuccessiveHalving unsampled(2);
  unsampled.Add(1, 0, 1);
  unsampled.EndRound();
  EXPECT_EQ(unsampled.survivors(), std::vector<int>{1});
}

TEST(SuccessiveHalvingTest, SumsDoNotDependOnOrder) {
  const double values[] = {0.1, 0.7, 0.30000000000000004, 1.0005, 0.0, 0.333};
  SuccessiveHalving forward(1);
  SuccessiveHalving backward(1);
  for (int i = 0; i < 6; ++i) {
    forward.Add(0, SuccessiveHalving::ToFixed(values[i]), 1);
    backward.Add(0, SuccessiveHalving::ToFixed(values[5 - i]), 1);
  }
  EXPECT_EQ(forward.Mean(0), backward.Mean(0));
  EXPECT_NEAR(forward.Mean(0), 2.4335 / 6, 1e-9);
}

}  // namespace
}  // namespace curling::strong
