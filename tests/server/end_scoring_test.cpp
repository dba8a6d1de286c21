#include "server/end_scoring.h"

#include <gtest/gtest.h>

#include <limits>

namespace curling::server {
namespace {

struct Position {
  StonePosition stones[16] = {};
  Position& Put(int stone, float distance_from_tee) {
    stones[stone] = {kTeeX, kTeeY + distance_from_tee};
    return *this;
  }
};

TEST(EndScoring, CountsOnlyTheNearestSideUpToTheOpponentsNearestStone) {
  // Empty house and no stones at all: blank.
  EXPECT_EQ(ScoreEnd(Position{}.stones).side, -1);
  EXPECT_EQ(ScoreEnd(Position{}.stones).points, 0);

  // Side 0 has three stones in, the nearest side-1 stone lies between them.
  Position p;
  p.Put(0, 0.1f).Put(2, 0.5f).Put(4, 1.5f).Put(1, 1.0f).Put(3, 1.9f);
  EndScore score = ScoreEnd(p.stones);
  EXPECT_EQ(score.side, 0);
  EXPECT_EQ(score.points, 2);

  // Side 1 nearest, no side-0 stone in the house: every side-1 stone in counts.
  Position q;
  q.Put(15, 0.0f).Put(13, 1.0f).Put(11, 1.97f).Put(0, 2.5f);
  score = ScoreEnd(q.stones);
  EXPECT_EQ(score.side, 1);
  EXPECT_EQ(score.points, 3);
}

TEST(EndScoring, LimitTiesAndOutOfPlayStones) {
  // A stone just beyond the house plus a stone radius does not count.
  Position outside;
  outside.Put(0, kScoringLimit + 0.001f);
  EXPECT_EQ(ScoreEnd(outside.stones).side, -1);

  // A stone just inside counts.
  Position inside;
  inside.Put(0, kScoringLimit - 0.001f);
  EXPECT_EQ(ScoreEnd(inside.stones).points, 1);

  // Nearest stones of both sides equally far (mirror images): blank end,
  // even when one side has more stones behind.
  Position tie;
  tie.stones[0] = {kTeeX - 0.3f, kTeeY};
  tie.stones[1] = {kTeeX + 0.3f, kTeeY};
  tie.Put(2, 1.0f).Put(4, 1.2f);
  EXPECT_EQ(ScoreEnd(tie.stones).side, -1);

  // Out of play (0, 0) and non-finite entries never count.
  Position odd;
  odd.stones[1] = {0.0f, 0.0f};
  odd.stones[3] = {std::numeric_limits<float>::quiet_NaN(), kTeeY};
  odd.Put(6, 1.8f);
  EndScore score = ScoreEnd(odd.stones);
  EXPECT_EQ(score.side, 0);
  EXPECT_EQ(score.points, 1);
}

TEST(EndScoring, ScorerThrowsFirstNextEndAndBlankKeepsOrder) {
  // Seat 0 threw first (side 0 of the end is seat 0).
  EXPECT_EQ(NextFirstSeat(0, {0, 2}), 0);   // seat 0 scored: throws first again
  EXPECT_EQ(NextFirstSeat(0, {1, 1}), 1);   // seat 1 scored with the hammer
  EXPECT_EQ(NextFirstSeat(0, {-1, 0}), 0);  // blank: order stays, seat 1 keeps the hammer
  // Seat 1 threw first: side 0 of the end is seat 1.
  EXPECT_EQ(NextFirstSeat(1, {0, 3}), 1);
  EXPECT_EQ(NextFirstSeat(1, {1, 1}), 0);
  EXPECT_EQ(NextFirstSeat(1, {-1, 0}), 1);
}

}  // namespace
}  // namespace curling::server
