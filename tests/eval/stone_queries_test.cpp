#include "eval/stone_queries.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "eval/rink.h"

namespace curling {
namespace {

// A position with `thrown` stones thrown; every stone starts out of play.
GameState Position(int thrown) {
  GameState state{};
  state.ShotNum = thrown;
  return state;
}

TEST(IsInHouse, StrictLimitAroundTheTee) {
  EXPECT_EQ(IsInHouse(2.375f, 4.88f), 1);
  EXPECT_EQ(IsInHouse(0.0f, 0.0f), 0);  // where every stone lies after NEWGAME
  // A point whose squared distance from the tee is the limit's square.
  const float edge_x = 4.3499999f, edge_y = 4.88059855f;
  const float dx = edge_x - kTeeX, dy = edge_y - kTeeY;
  ASSERT_EQ(dx * dx + dy * dy, ScoringLimit * ScoringLimit);
  EXPECT_EQ(IsInHouse(edge_x, edge_y), 0);
  EXPECT_EQ(IsInHouse(std::nextafter(edge_x, 0.0f), edge_y), 1);
  EXPECT_EQ(IsInHouse(std::nanf(""), kTeeY), 0);
}

TEST(HasStoneNear, RadiusSideAndThrownStones) {
  GameState state = Position(0);
  state.Stones[0] = {2.375f, 7.0f};
  EXPECT_EQ(HasStoneNear(state, 0, 2.375f, 7.0f, 0.5f), 0) << "no stone thrown yet";

  state.ShotNum = 2;
  state.Stones[1] = {2.375f, 7.5f};  // exactly 0.5 from (2.375, 7.0)
  EXPECT_EQ(HasStoneNear(state, 0, 2.375f, 7.0f, 0.5f), 1);
  EXPECT_EQ(HasStoneNear(state, 1, 2.375f, 7.0f, 0.5f), 0) << "the radius is strict";
  EXPECT_EQ(HasStoneNear(state, 1, 2.375f, 7.01f, 0.5f), 1);
  EXPECT_EQ(HasStoneNear(state, -1, 2.375f, 7.0f, 0.5f), 0);
  EXPECT_EQ(HasStoneNear(state, 2, 2.375f, 7.0f, 0.5f), 0);

  state.Stones[2] = {3.0f, 3.0f};  // not thrown while ShotNum is 2
  EXPECT_EQ(HasStoneNear(state, 0, 3.0f, 3.0f, 0.5f), 0);
  state.ShotNum = 3;
  EXPECT_EQ(HasStoneNear(state, 0, 3.0f, 3.0f, 0.5f), 1);

  // A stone with one zero coordinate still counts here.
  state.Stones[2] = {1.0f, 0.0f};
  EXPECT_EQ(HasStoneNear(state, 0, 1.0f, 0.1f, 0.5f), 1);
}

TEST(StoneQueries, NeverLookPastTheSixteenStones) {
  GameState state = Position(0);
  for (int i = 0; i < kStoneCount; ++i)
    state.Stones[i] = {2.375f, 4.88f + 0.3f * i};
  StonePosition where{};
  for (int shot_num : {INT_MIN, -1, 17, 100, INT_MAX}) {
    state.ShotNum = shot_num;
    const bool all = shot_num > 0;
    EXPECT_EQ(HasStoneNear(state, 1, 2.375f, 4.88f + 0.3f * 15, 0.1f), all ? 1 : 0);
    EXPECT_EQ(IsGuarded(state, 2.375f, 4.0f), all ? 1 : 0);
    EXPECT_EQ(IsGuarding(state, 1, 2.375f, 10.0f), all ? 1 : 0);
    EXPECT_EQ(IsGuarding(state, -1, 2.375f, 10.0f), 0);
    EXPECT_EQ(NearestStone(state, 15, &where), all ? 1 : -1);
  }
}

TEST(NearestStone, SortsByDistanceKeepingIndexOrderOnTies) {
  GameState state = Position(0);
  StonePosition where{1.0f, 1.0f};
  EXPECT_EQ(NearestStone(state, 0, &where), -1);
  EXPECT_EQ(where.x, 0.0f);
  EXPECT_EQ(where.y, 0.0f);

  state.ShotNum = 5;
  state.Stones[0] = {2.375f, 6.0f};   // 1.12 from the tee
  state.Stones[1] = {2.875f, 4.88f};  // 0.5, ties with stone 2
  state.Stones[2] = {1.875f, 4.88f};
  state.Stones[3] = {1.0f, 0.0f};     // y = 0: out of play for this query
  state.Stones[4] = {2.375f, 5.0f};   // 0.12, the nearest
  state.Stones[5] = {2.375f, 4.88f};  // on the tee but not thrown

  const struct {
    int side;
    float x, y;
  } expected[] = {{0, 2.375f, 5.0f}, {1, 2.875f, 4.88f}, {0, 1.875f, 4.88f}, {0, 2.375f, 6.0f}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(NearestStone(state, k, &where), expected[k].side) << "k " << k;
    EXPECT_EQ(where.x, expected[k].x) << "k " << k;
    EXPECT_EQ(where.y, expected[k].y) << "k " << k;
  }
  for (int k : {4, 15, 16, -1, INT_MAX, INT_MIN}) {
    where = {9.0f, 9.0f};
    EXPECT_EQ(NearestStone(state, k, &where), -1) << "k " << k;
    EXPECT_EQ(where.x, 0.0f);
    EXPECT_EQ(where.y, 0.0f);
  }

  // Two stones at one spot: both entries report the side of the lower index.
  state.Stones[2] = {2.875f, 4.88f};
  EXPECT_EQ(NearestStone(state, 1, &where), 1);
  EXPECT_EQ(NearestStone(state, 2, &where), 1);
}

TEST(IsGuarded, GapAndWidthOffTheCentreLine) {
  // A point in the house left of the centre line and stones in front of it
  // along its line to the delivery point.
  const float px = 1.8f, py = 4.5f;
  const float dx = px - kDeliveryX, dy = py - kDeliveryY;
  const float length = std::sqrt(dx * dx + dy * dy);
  auto in_front = [&](float gap, float sideways) {
    const float ux = -dx / length, uy = -dy / length;  // toward the delivery point
    return StonePosition{px + ux * gap - uy * sideways, py + uy * gap + ux * sideways};
  };
  GameState state = Position(1);
  const struct {
    float gap, sideways;
    int guarded;
  } cases[] = {{1.0f, 0.0f, 1},   {0.29f, 0.0f, 0}, {0.3f, 0.0f, 1},  {2.99f, 0.0f, 1},
               {3.0f, 0.0f, 0},   {1.0f, 0.1f, 1},  {1.0f, -0.1f, 1}, {1.0f, 0.16f, 0},
               {1.0f, -0.16f, 0}, {-1.0f, 0.0f, 0}};
  for (const auto& c : cases) {
    state.Stones[0] = in_front(c.gap, c.sideways);
    EXPECT_EQ(IsGuarded(state, px, py), c.guarded) << "gap " << c.gap << " sideways " << c.sideways;
    EXPECT_EQ(IsGuarding(state, 0, state.Stones[0].x, state.Stones[0].y), 0);
  }
  state.Stones[0] = in_front(1.0f, 0.0f);
  state.ShotNum = 0;
  EXPECT_EQ(IsGuarded(state, px, py), 0) << "stone 0 not thrown";
}

TEST(IsGuarding, PointInFrontOfAStoneOfTheSide) {
  GameState state = Position(2);
  state.Stones[0] = {3.2f, 4.0f};
  state.Stones[1] = {1.5f, 4.0f};
  // (x, y) one metre in front of stone 0 along its line to the delivery point.
  const float dx = 3.2f - kDeliveryX, dy = 4.0f - kDeliveryY;
  const float length = std::sqrt(dx * dx + dy * dy);
  const float x = 3.2f - dx / length, y = 4.0f - dy / length;
  EXPECT_EQ(IsGuarding(state, 0, x, y), 1);
  EXPECT_EQ(IsGuarding(state, 1, x, y), 0);
  EXPECT_EQ(IsGuarding(state, 0, x + 0.2f, y), 0);
  EXPECT_EQ(IsGuarding(state, 0, 3.2f, 4.2f), 0) << "0.2 in front is too close";
  EXPECT_EQ(IsGuarding(state, 0, 3.2f, 8.0f), 0) << "4 in front is too far";
}

// The corridor near the centre line: a stone there is guarded by a stone in
// front of it and guards what lies behind it.
TEST(Corridor, WorksWithinAStoneRadiusOfTheCentreLine) {
  GameState state = Position(2);
  state.Stones[0] = {2.375f, 5.88f};  // one metre in front of the tee
  EXPECT_EQ(IsGuarded(state, 2.375f, 4.88f), 1);
  EXPECT_EQ(IsGuarding(state, 0, 2.375f, 5.88f), 0);
  state.Stones[1] = {2.375f, 4.88f};
  EXPECT_EQ(IsGuarding(state, 1, 2.375f, 5.88f), 1);

  // Guards a little to either side still cover it; wider ones do not.
  for (float offset : {0.14f, -0.14f, 0.16f, -0.16f}) {
    state.Stones[0] = {2.375f + offset, 5.88f};
    EXPECT_EQ(IsGuarded(state, 2.375f, 4.88f), std::fabs(offset) < 0.15f ? 1 : 0) << offset;
  }

  // Points across the band and just outside both its edges, a guard in line.
  const float left_edge = kCentreLineX - kStoneRadius;
  const float right_edge = kCentreLineX + kStoneRadius;
  for (float x :
       {std::nextafter(left_edge, 0.0f), left_edge, std::nextafter(left_edge, 3.0f), 2.3f, 2.45f,
        std::nextafter(right_edge, 0.0f), right_edge, std::nextafter(right_edge, 3.0f)}) {
    state.Stones[0] = {x, 5.9f};
    state.Stones[1] = {x, 4.9f};
    EXPECT_EQ(IsGuarded(state, x, 4.9f), 1) << x;
    EXPECT_EQ(IsGuarding(state, 1, x, 5.9f), 1) << x;
    state.Stones[0] = {x, 4.7f};  // 0.2 behind: too close, and behind
    EXPECT_EQ(IsGuarded(state, x, 4.9f), 0) << x;
  }
}

// The corridor bounds off the centre line, written out as plain slopes, for
// checking that the queries give exactly these answers there.
float Atan(float v) {
  return static_cast<float>(std::atan(static_cast<double>(v)));
}
float Root(float v) {
  return static_cast<float>(std::sqrt(static_cast<double>(v)));
}
bool SlopeCorridorIsEmpty(float ax, float ay) {
  const float lo = Atan(ay / (ax - 0.145f));
  const float hi = Atan(ay / (ax + 0.145f));
  return !(lo < hi);
}
int SlopeIsGuarded(const GameState& state, float x, float y) {
  const float ax = x - 2.375f, ay = y - 41.28f;
  const float d = Root(ax * ax + ay * ay);
  const float lo = Atan(ay / (ax - 0.145f)), hi = Atan(ay / (ax + 0.145f));
  for (int i = 0; i < state.ShotNum; ++i) {
    const float sx = state.Stones[i].x - 2.375f, sy = state.Stones[i].y - 41.28f;
    const float ds = Root(sx * sx + sy * sy);
    const float s = Atan(sy / sx);
    if (lo < s && s < hi && d - 0.29f > ds && ds > d - 3.0f) return 1;
  }
  return 0;
}
int SlopeIsGuarding(const GameState& state, int side, float x, float y) {
  const float ax = x - 2.375f, ay = y - 41.28f;
  const float d = Root(ax * ax + ay * ay);
  const float t = Atan(ay / ax);
  for (int i = side; i < state.ShotNum; i += 2) {
    const float sx = state.Stones[i].x - 2.375f, sy = state.Stones[i].y - 41.28f;
    const float ds = Root(sx * sx + sy * sy);
    const float lo = Atan(sy / (sx - 0.145f)), hi = Atan(sy / (sx + 0.145f));
    if (lo < t && t < hi && ds - 0.29f > d && d > ds - 3.0f) return 1;
  }
  return 0;
}

TEST(Corridor, OffTheBandMatchesTheSlopeFormulasExactly) {
  GameState state = Position(1);
  int compared = 0, guarded = 0;
  // Points across the house, stones on a fine grid in front of them.
  for (float px = 0.5f; px < 4.3f; px += 0.0625f) {
    for (float py = 3.0f; py < 7.0f; py += 0.5f) {
      for (float sx = px - 0.4f; sx < px + 0.4f; sx += 0.01f) {
        for (float sy = py - 0.5f; sy < py + 3.5f; sy += 0.25f) {
          state.Stones[0] = {sx, sy};
          const float ax = px - kDeliveryX, ay = py - kDeliveryY;
          const float bx = sx - kDeliveryX, by = sy - kDeliveryY;
          if (!SlopeCorridorIsEmpty(ax, ay)) {
            ++compared;
            const int expected = SlopeIsGuarded(state, px, py);
            guarded += expected;
            ASSERT_EQ(IsGuarded(state, px, py), expected)
                << px << "," << py << " " << sx << "," << sy;
          }
          if (!SlopeCorridorIsEmpty(bx, by)) {
            ASSERT_EQ(IsGuarding(state, 0, px, py), SlopeIsGuarding(state, 0, px, py))
                << px << "," << py << " " << sx << "," << sy;
          }
        }
      }
    }
  }
  EXPECT_GT(compared, 10000);
  EXPECT_GT(guarded, 500);
}

}  // namespace
}  // namespace curling
