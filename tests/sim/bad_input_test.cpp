// Bad input to Simulation: every call returns, leaves every stone on the
// sheet or at (0, 0), advances ShotNum and changes no other byte in or around
// the record.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "library_support.h"

namespace curling::simtest {
namespace {

using reference::kSheetWidth;
using reference::kStoneRadius;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Guarded {
  unsigned char before[64];
  GameState state;
  unsigned char after[64];
};

GameState Patterned(int shot_num) {
  GameState s = EmptyState(shot_num);
  s.CurEnd = 7;
  s.LastEnd = 10;
  for (int i = 0; i < 10; ++i)
    s.Score[i] = i * 3 - 5;
  s.NextSide = 1;
  s.Padding[0] = 0xAB, s.Padding[1] = 0xCD, s.Padding[2] = 0xEF;
  return s;
}

GameState PlayChecked(const GameState& in, ShotVector shot, float error = 0.145f) {
  Guarded g;
  std::memset(&g, 0x5A, sizeof g);
  g.state = in;
  EXPECT_EQ(Simulation(&g.state, shot, error, nullptr, -1), 1);
  for (unsigned char b : g.before)
    EXPECT_EQ(b, 0x5A);
  for (unsigned char b : g.after)
    EXPECT_EQ(b, 0x5A);
  const GameState& out = g.state;
  EXPECT_EQ(out.ShotNum, static_cast<int32_t>(static_cast<uint32_t>(in.ShotNum) + 1u));
  EXPECT_EQ(0,
            std::memcmp(reinterpret_cast<const char*>(&in) + 4,
                        reinterpret_cast<const char*>(&out) + 4, offsetof(GameState, Stones) - 4))
      << "fields other than Stones and ShotNum changed";
  for (int i = 0; i < 16; ++i) {
    const StonePosition p = out.Stones[i];
    if (p.x == 0.0f && p.y == 0.0f) continue;
    EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << "stone " << i;
    EXPECT_GT(p.x, kStoneRadius) << "stone " << i;
    EXPECT_LT(p.x, kSheetWidth - kStoneRadius) << "stone " << i;
    EXPECT_GE(p.y, reference::kBackLineY - kStoneRadius) << "stone " << i;
    EXPECT_LE(p.y, 50.0f) << "stone " << i;
  }
  return out;
}

TEST(BadInput, StonesOutOfPlayBeforeTheShotAreTakenOff) {
  // Each goes to (0, 0); the valid stone and the draw are unaffected.
  const StonePosition bad[] = {{kNaN, 5.0f}, {2.0f, -kInf}, {1e30f, 5.0f}, {-1.0f, 6.0f},
                               {0.1f, 6.0f}, {2.0f, 2.8f},  {2.0f, 41.5f}, {-0.0f, 7.0f}};
  for (const StonePosition& p : bad) {
    SCOPED_TRACE(testing::Message() << "stone at " << p.x << ", " << p.y);
    GameState s = Patterned(9);
    s.Stones[0] = p;
    s.Stones[1] = {3.5f, 4.0f};
    const GameState out = PlayChecked(s, Draw(1.6, 5.5, 0), 0.0f);
    EXPECT_TRUE(IsOut(out, 0));
    EXPECT_EQ(out.Stones[1].x, 3.5f);
    EXPECT_EQ(out.Stones[1].y, 4.0f);
    EXPECT_NEAR(out.Stones[9].x, 1.6, 1e-3);
  }
  // -0.0 is (0, 0): out of play already, never collides.
  GameState s = Patterned(2);
  s.Stones[0] = {-0.0f, -0.0f};
  EXPECT_TRUE(IsOut(PlayChecked(s, Hit(2.375, 4.88, 1, 7.0)), 0));
}

TEST(BadInput, NonFiniteAndExtremeSpeedsAndErrors) {
  GameState s = Patterned(4);
  s.Stones[0] = {1.2f, 5.0f};
  // NaN or infinite speed: a stone that never entered play.
  for (ShotVector shot : {ShotVector{kNaN, -2.0f, 1, {}}, ShotVector{0.0f, -kInf, 0, {}}}) {
    const GameState out = PlayChecked(s, shot);
    EXPECT_TRUE(IsOut(out, 4));
    EXPECT_EQ(out.Stones[0].x, 1.2f);
  }
  // Huge speeds play as 12 m/s in that direction (here into a stone that
  // stops the delivered one in play), never a hang.
  GameState guard = s;
  guard.Stones[2] = {2.375f, 35.0f};
  const GameState at_limit = PlayChecked(guard, ShotVector{0.0f, -12.0f, 1, {}}, 0.0f);
  EXPECT_FALSE(IsOut(at_limit, 4));
  for (float vy : {-12.5f, -1e30f, -FLT_MAX}) {
    const GameState faster = PlayChecked(guard, ShotVector{0.0f, vy, 1, {}}, 0.0f);
    EXPECT_LT(MaxStoneDistance(faster, at_limit), 1e-5) << vy;
  }
  // Zero speed, or toward the delivery end: it never crosses the hog line.
  EXPECT_TRUE(IsOut(PlayChecked(s, ShotVector{0.0f, 0.0f, 1, {}}), 4));
  EXPECT_TRUE(IsOut(PlayChecked(s, ShotVector{0.0f, 1.5f, 1, {}}), 4));
  // A non-finite random error plays without error; a huge or negative one
  // still gives a valid position.
  const ShotVector draw = Draw(2.375, 4.88, 1);
  const GameState exact = PlayChecked(s, draw, 0.0f);
  for (float error : {kNaN, -kInf}) {
    const GameState out = PlayChecked(s, draw, error);
    EXPECT_EQ(0, std::memcmp(&out, &exact, sizeof(GameState))) << error;
  }
  for (float error : {1e30f, -0.145f})
    PlayChecked(s, draw, error);
}

TEST(BadInput, ShotNumOutsideTheEndDeliversNothing) {
  // The stones stay (invalid ones are still taken off) and ShotNum advances.
  for (int32_t shot : {-1, 16, INT_MIN}) {
    SCOPED_TRACE(testing::Message() << "ShotNum " << shot);
    GameState s = Patterned(shot);
    for (int i = 0; i < 16; ++i) {
      s.Stones[i] = {static_cast<float>(0.5 + 0.25 * i), static_cast<float>(4.0 + (i % 3))};
    }
    s.Stones[15] = {kNaN, 1.0f};
    const GameState out = PlayChecked(s, Hit(2.375, 4.88, 1, 12.0));
    for (int i = 0; i < 15; ++i) {
      EXPECT_EQ(out.Stones[i].x, s.Stones[i].x);
      EXPECT_EQ(out.Stones[i].y, s.Stones[i].y);
    }
    EXPECT_TRUE(IsOut(out, 15));
  }
  // The largest int32 wraps to the smallest (checked in PlayChecked).
  GameState s = Patterned(INT_MAX);
  s.Stones[2] = {2.0f, 6.0f};
  EXPECT_EQ(PlayChecked(s, Draw(2.375, 4.88, 0)).Stones[2].x, 2.0f);
}

TEST(BadInput, OverlappingAndTouchingStones) {
  // Stones overlapping by more than play allows: the later of each pair is
  // out of play before the shot, the earlier one stays.
  GameState s = Patterned(6);
  s.Stones[0] = {2.0f, 6.0f};
  s.Stones[1] = {2.0f, 6.0f};
  s.Stones[2] = {3.0f, 8.0f};
  s.Stones[3] = {3.0f, 8.19f};
  GameState out = PlayChecked(s, Draw(1.2, 4.0, 1), 0.0f);
  for (int i : {0, 2}) {
    EXPECT_EQ(out.Stones[i].x, s.Stones[i].x);
    EXPECT_EQ(out.Stones[i].y, s.Stones[i].y);
  }
  EXPECT_TRUE(IsOut(out, 1));
  EXPECT_TRUE(IsOut(out, 3));
  // Driven into what is left of them: bounded, valid.
  PlayChecked(s, Hit(2.0, 6.0, 0, 12.0));
  PlayChecked(s, Hit(3.0, 8.19, 1, 3.0));

  // Whichever indices the two stones have, the later one goes: fifteen
  // stones across the sheet, one of them put on an earlier one.
  for (int later = 1; later < 15; ++later) {
    for (int earlier : {0, later - 1}) {
      GameState row = Patterned(15);
      for (int i = 0; i < 15; ++i)
        row.Stones[i] = {static_cast<float>(0.3 + 0.3 * (i % 14)), 8.0f + (i == 14 ? 0.4f : 0.0f)};
      row.Stones[later] = row.Stones[earlier];
      row.Stones[later].x += 0.1f;
      const GameState r = PlayChecked(row, ShotVector{0.0f, 0.0f, 0, {0, 0, 0}}, 0.0f);
      EXPECT_TRUE(IsOut(r, later)) << later << " on " << earlier;
      EXPECT_FALSE(IsOut(r, earlier)) << later << " on " << earlier;
    }
  }

  // A pile of fifteen stones on the tee: one is left of it.
  GameState pile = Patterned(15);
  for (int i = 0; i < 15; ++i)
    pile.Stones[i] = {2.375f, 4.88f};
  const GameState struck = PlayChecked(pile, Hit(2.375, 4.88, 0, 12.0));
  for (int i = 1; i < 15; ++i)
    EXPECT_TRUE(IsOut(struck, i)) << i;

  // Frozen stones (touching to within single-precision rounding) struck
  // from behind: the front one moves off, nothing passes through.
  for (float overlap : {0.0f, 3e-6f, -4e-6f}) {
    SCOPED_TRACE(testing::Message() << "overlap " << overlap);
    GameState f = Patterned(6);
    f.Stones[0] = {2.375f, 6.0f};
    f.Stones[1] = {2.375f, 6.0f - 0.29f + overlap};
    const ShotVector shot = Hit(2.375, 6.0, 0, 2.0);
    const GameState r = PlayChecked(f, shot, 0.0f);
    EXPECT_LT(r.Stones[1].y, f.Stones[1].y - 1.0f) << "the front stone was pushed on";
    EXPECT_GT(r.Stones[0].y, r.Stones[1].y + 0.28f) << "no stone passed through another";
    EXPECT_LT(MaxStoneDistance(r, Reference(f, shot).final_state), 1e-3);
  }
}

TEST(BadInput, AllSixteenStonesPackedIntoTheHouse) {
  // Fifteen stones packed edge to edge, the last driven in: the cascade ends
  // with every stone valid and no two overlapping.
  GameState s = Patterned(15);
  int k = 0;
  for (int row = 0; row < 4 && k < 15; ++row) {
    for (int col = 0; col < 4 && k < 15; ++col) {
      s.Stones[k++] = {static_cast<float>(1.9 + 0.2901 * col + 0.145 * (row % 2)),
                       static_cast<float>(4.0 + 0.2513 * row)};
    }
  }
  for (int curl : {0, 1}) {
    for (double power : {2.0, 12.0}) {
      const GameState out = PlayChecked(s, Hit(2.375, 4.88, curl, power));
      for (int i = 0; i < 16; ++i) {
        for (int j = i + 1; j < 16; ++j) {
          if (IsOut(out, i) || IsOut(out, j)) continue;
          const double d =
              std::hypot(out.Stones[i].x - out.Stones[j].x, out.Stones[i].y - out.Stones[j].y);
          EXPECT_GT(d, 2 * kStoneRadius - 1e-4) << i << " and " << j;
        }
      }
    }
  }
}

}  // namespace
}  // namespace curling::simtest
