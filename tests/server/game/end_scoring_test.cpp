// The end's score from the count (whose cases are the evaluation's tests)
// and the order of play in the next end.
#include "server/game/end_scoring.h"

#include <gtest/gtest.h>

namespace curling::server {
namespace {

TEST(EndScoring, SideAndPointsOfTheCountAndWhoThrowsFirstNext) {
  GameState state{};
  EXPECT_EQ(ScoreEnd(state).side, -1);
  state.Stones[1] = {2.375f, 4.88f};
  state.Stones[3] = {2.375f, 5.2f};
  state.Stones[0] = {2.375f, 6.0f};
  EXPECT_EQ(ScoreEnd(state).side, 1);
  EXPECT_EQ(ScoreEnd(state).points, 2);

  const struct {
    int first_seat;
    EndScore score;
    int next;
  } cases[] = {
      {0, {0, 2}, 0},   // seat 0 scored: throws first again
      {0, {1, 1}, 1},   // seat 1 scored with the hammer
      {0, {-1, 0}, 0},  // blank: order stays, seat 1 keeps the hammer
      {1, {0, 3}, 1},   // seat 1 threw first: side 0 of the end is seat 1
      {1, {1, 1}, 0},  {1, {-1, 0}, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NextFirstSeat(c.first_seat, c.score), c.next)
        << c.first_seat << " " << c.score.side << " " << c.score.points;
  }
}

}  // namespace
}  // namespace curling::server
