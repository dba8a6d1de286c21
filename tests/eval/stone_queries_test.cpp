#include "eval/stone_queries.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "game/rink.h"

namespace curling {
namespace {

GameState Position(int thrown) {
  GameState state{};
  state.ShotNum = thrown;
  return state;
}

TEST(StoneQueries, InHouseAndNearAreStrict) {
  // A point whose squared distance from the tee is the limit's square.
  const float edge_x = 4.3499999f, edge_y = 4.88059855f;
  const float dx = edge_x - kTeeX, dy = edge_y - kTeeY;
  ASSERT_EQ(dx * dx + dy * dy, kScoringLimit * kScoringLimit);
  const struct {
    float x, y;
    bool in_house;
  } points[] = {{2.375f, 4.88f, true},
                {0.0f, 0.0f, false},  // where every stone lies after NEWGAME
                {edge_x, edge_y, false},
                {std::nextafter(edge_x, 0.0f), edge_y, true},
                {std::nanf(""), kTeeY, false}};
  for (const auto& p : points)
    EXPECT_EQ(IsInHouse(p.x, p.y), p.in_house) << p.x << "," << p.y;

  GameState state = Position(2);
  state.Stones[0] = {1.0f, 0.0f};    // a zero coordinate still counts here
  state.Stones[1] = {2.375f, 7.5f};  // exactly 0.5 from (2.375, 7.0)
  state.Stones[2] = {3.0f, 3.0f};    // not thrown while ShotNum is 2
  const struct {
    int side;
    float x, y;
    bool near;
  } queries[] = {{0, 1.0f, 0.1f, true},      {1, 2.375f, 7.0f, false},  {1, 2.375f, 7.01f, true},
                 {-1, 2.375f, 7.01f, false}, {2, 2.375f, 7.01f, false}, {0, 3.0f, 3.0f, false}};
  for (const auto& q : queries)
    EXPECT_EQ(HasStoneNear(state, q.side, q.x, q.y, 0.5f), q.near) << q.side << " " << q.y;
}

TEST(StoneQueries, NeverLookPastTheSixteenStones) {
  GameState state = Position(0);
  for (int i = 0; i < kStoneCount; ++i)
    state.Stones[i] = {2.375f, 4.88f + 0.3f * i};
  StonePosition where{};
  for (int shot_num : {INT_MIN, -1, 0, 17, 100, INT_MAX}) {
    state.ShotNum = shot_num;
    const bool all = shot_num > 0;
    EXPECT_EQ(HasStoneNear(state, 1, 2.375f, 4.88f + 0.3f * 15, 0.1f), all);
    EXPECT_EQ(IsGuarded(state, 2.375f, 4.0f), all);
    EXPECT_EQ(IsGuarding(state, 1, 2.375f, 10.0f), all);
    EXPECT_FALSE(IsGuarding(state, -1, 2.375f, 10.0f));
    EXPECT_EQ(NearestStone(state, 15, &where), all ? 1 : -1);
  }
}

TEST(StoneQueries, NearestStoneSortsByDistanceKeepingIndexOrderOnTies) {
  GameState state = Position(5);
  state.Stones[0] = {2.375f, 6.0f};   // 1.12 from the tee
  state.Stones[1] = {2.875f, 4.88f};  // 0.5, ties with stone 2
  state.Stones[2] = {1.875f, 4.88f};
  state.Stones[3] = {1.0f, 0.0f};     // y = 0: out of play for this query
  state.Stones[4] = {2.375f, 5.0f};   // 0.12, the nearest
  state.Stones[5] = {2.375f, 4.88f};  // on the tee but not thrown
  const struct {
    int k, side;
    float x, y;
  } expected[] = {{0, 0, 2.375f, 5.0f}, {1, 1, 2.875f, 4.88f}, {2, 0, 1.875f, 4.88f},
                  {3, 0, 2.375f, 6.0f}, {4, -1, 0.0f, 0.0f},   {15, -1, 0.0f, 0.0f},
                  {16, -1, 0.0f, 0.0f}, {-1, -1, 0.0f, 0.0f},  {INT_MIN, -1, 0.0f, 0.0f}};
  for (const auto& e : expected) {
    StonePosition where{9.0f, 9.0f};
    EXPECT_EQ(NearestStone(state, e.k, &where), e.side) << "k " << e.k;
    EXPECT_EQ(where.x, e.x) << "k " << e.k;
    EXPECT_EQ(where.y, e.y) << "k " << e.k;
  }
  // Two stones at one spot: both entries report the side of the lower index.
  state.Stones[2] = {2.875f, 4.88f};
  StonePosition where{};
  EXPECT_EQ(NearestStone(state, 1, &where), 1);
  EXPECT_EQ(NearestStone(state, 2, &where), 1);
}

TEST(StoneQueries, GuardsLieInTheCorridorBetweenADiameterAndThreeMetresInFront) {
  // A point in the house left of the centre line and stones in front of it
  // along its line to the delivery point.
  const float px = 1.8f, py = 4.5f;
  const float dx = px - kDeliveryX, dy = py - kDeliveryY;
  const float length = std::sqrt(dx * dx + dy * dy);
  const float ux = -dx / length, uy = -dy / length;  // toward the delivery point
  const struct {
    float gap, sideways;
    bool guarded;
  } cases[] = {{1.0f, 0.0f, true},  {0.29f, 0.0f, false}, {0.3f, 0.0f, true},
               {2.99f, 0.0f, true}, {3.0f, 0.0f, false},  {1.0f, 0.1f, true},
               {1.0f, -0.1f, true}, {1.0f, 0.16f, false}, {1.0f, -0.16f, false},
               {-1.0f, 0.0f, false}};
  GameState state = Position(1);
  for (const auto& c : cases) {
    state.Stones[0] = {px + ux * c.gap - uy * c.sideways, py + uy * c.gap + ux * c.sideways};
    EXPECT_EQ(IsGuarded(state, px, py), c.guarded) << "gap " << c.gap << " sideways " << c.sideways;
    // The stone guards the point only when the point belongs to the stone's
    // side's query: a stone never guards what lies in front of it.
    EXPECT_FALSE(IsGuarding(state, 0, state.Stones[0].x, state.Stones[0].y));
    state.Stones[1] = {px, py};
    state.ShotNum = 2;
    EXPECT_EQ(IsGuarding(state, 1, state.Stones[0].x, state.Stones[0].y), c.guarded);
    state.ShotNum = 1;
  }
  state.ShotNum = 0;
  EXPECT_FALSE(IsGuarded(state, px, py)) << "stone 0 not thrown";
}

// Near the centre line the slope bearings flip sign across a stone's width;
// the corridor still works there.
TEST(StoneQueries, CorridorWorksWithinAStoneRadiusOfTheCentreLine) {
  GameState state = Position(2);
  for (float offset : {0.14f, -0.14f, 0.16f, -0.16f}) {
    state.Stones[0] = {2.375f + offset, 5.88f};
    EXPECT_EQ(IsGuarded(state, 2.375f, 4.88f), std::fabs(offset) < 0.15f) << offset;
  }
  // Points across the band and just outside both its edges, a guard in line.
  const float left_edge = kCentreLineX - kStoneRadius;
  const float right_edge = kCentreLineX + kStoneRadius;
  for (float x :
       {std::nextafter(left_edge, 0.0f), left_edge, std::nextafter(left_edge, 3.0f), 2.3f, 2.45f,
        std::nextafter(right_edge, 0.0f), right_edge, std::nextafter(right_edge, 3.0f)}) {
    state.Stones[0] = {x, 5.9f};
    state.Stones[1] = {x, 4.9f};
    EXPECT_TRUE(IsGuarded(state, x, 4.9f)) << x;
    EXPECT_TRUE(IsGuarding(state, 1, x, 5.9f)) << x;
    state.Stones[0] = {x, 4.7f};  // 0.2 behind: too close, and behind
    EXPECT_FALSE(IsGuarded(state, x, 4.9f)) << x;
  }
}

}  // namespace
}  // namespace curling
