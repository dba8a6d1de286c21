// A fixed number of rollouts gives the same result on repeat and on any
// number of threads; the seed is what changes it.
#include "tests/search/strong/strong_test_support.h"

namespace curling::strong {
namespace {

TEST(SearchDeterminismTest, SameResultOnRepeatAndWithOneOrTwoThreads) {
  LoadRealLibrary();
  // Mid-end: a guard, stones of both sides in the house.
  const GameState state = Position(
      6, 2, 7,
      {{0, 2.4f, 7.2f}, {1, 2.2f, 4.6f}, {2, 2.9f, 5.3f}, {3, 1.6f, 4.1f}, {5, 2.5f, 3.9f}});
  const SearchReport one = Search(state, {-1, 5}, 700, 1);
  const SearchReport again = Search(state, {-1, 5}, 700, 1);
  const SearchReport two = Search(state, {-1, 5}, 700, 2);
  for (const SearchReport* r : {&again, &two}) {
    EXPECT_EQ(r->chosen.shot.vx, one.chosen.shot.vx);
    EXPECT_EQ(r->chosen.shot.vy, one.chosen.shot.vy);
    EXPECT_EQ(r->chosen.shot.curl, one.chosen.shot.curl);
    EXPECT_EQ(r->value, one.value);
    EXPECT_EQ(r->rollouts, one.rollouts);
    EXPECT_EQ(r->simulations, one.simulations);
  }
  EXPECT_GE(one.rollouts, 700);
  const SearchReport other_seed = Search(state, {-1, 5}, 700, 1, 2);
  EXPECT_NE(other_seed.value, one.value);
}

}  // namespace
}  // namespace curling::strong
