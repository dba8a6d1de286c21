#include <gtest/gtest.h>

#include <cmath>

#include "sim/counter_random.h"
#include "sim/event_loop.h"
#include "sim/inverse_shots.h"
#include "sim/shot_simulation.h"

namespace curling::sim {
namespace {

constexpr double kDown = -1.5707963267948966;

// Counts events and checks that time never runs backwards.
class CheckingObserver final : public ShotObserver {
 public:
  void MotionStarted(int, double t, Vec2) override { Check(t); }
  void Stepped(double t_from, double t_to, const FreePath*, const bool*) override {
    EXPECT_LE(t_from, t_to);
    Check(t_from);
    ++steps;
  }
  void EventOccurred(EventKind kind, double t, int, int, Vec2, Vec2) override {
    if (kind == EventKind::kCollision) ++collisions;
    if (kind == EventKind::kEventLimit) ++limits;
    if (kind != EventKind::kOutOfPlayBefore) Check(t);
  }
  void Check(double t) {
    EXPECT_GE(t, last - 1e-12);
    last = t;
  }
  double last = 0.0;
  int steps = 0;
  int collisions = 0;
  int limits = 0;
};

// Random house-and-guard positions without overlaps.
GameState CrowdedState(CounterRandom& random, int stones, int shot_num) {
  GameState state{};
  state.ShotNum = shot_num;
  StonePosition spots[16];
  int placed = 0;
  for (int attempt = 0; attempt < 10000 && placed < stones; ++attempt) {
    const float x = static_cast<float>(1.0 + 2.75 * random.NextOpenUnit());
    const float y = static_cast<float>(3.2 + 6.0 * random.NextOpenUnit());
    bool clear = true;
    for (int j = 0; j < placed; ++j) {
      const double dx = x - spots[j].x, dy = y - spots[j].y;
      clear = clear && dx * dx + dy * dy > 0.2900001 * 0.2900001;
    }
    if (!clear) continue;
    spots[placed] = {x, y};
    state.Stones[placed + (placed >= shot_num ? 1 : 0)] = spots[placed];
    ++placed;
  }
  return state;
}

TEST(EventLoopTest, CrowdedShotsEndAtRestWithoutInterpenetration) {
  const CanonicalPath& path = CanonicalPath::Get();
  CounterRandom random(314);
  int collisions = 0;
  for (int n = 0; n < 150; ++n) {
    const int shot_num = static_cast<int>(random.NextBits() % 15);
    GameState state = CrowdedState(random, 14, shot_num);
    const Vec2 aim{-0.8 + 1.6 * random.NextOpenUnit(), -36.4 + 1.5 * random.NextOpenUnit()};
    Delivery d{};
    ASSERT_TRUE(SolveDelivery(path, aim, SpeedForRemainingRun(12.0 * random.NextOpenUnit()), 1, d));
    const ShotVector shot{static_cast<float>(d.speed * std::cos(d.heading)),
                          static_cast<float>(d.speed * std::sin(d.heading)),
                          1,
                          {0, 0, 0}};
    CheckingObserver observer;
    CounterRandom draws(n);
    ShotOptions options;
    options.random_error = 0.145;
    SimulateShot(state, shot, options, draws, &observer, nullptr);
    collisions += observer.collisions;
    EXPECT_EQ(observer.limits, 0);
    for (int i = 0; i < 16; ++i) {
      const StonePosition a = state.Stones[i];
      if (a.x == 0.0f && a.y == 0.0f) continue;
      EXPECT_TRUE(a.x > kStoneRadius && a.x < kSheetWidth - kStoneRadius) << n;
      EXPECT_GE(a.y, kBackLineY - kStoneRadius) << n;
      for (int j = i + 1; j < 16; ++j) {
        const StonePosition b = state.Stones[j];
        if (b.x == 0.0f && b.y == 0.0f) continue;
        EXPECT_GT(std::hypot(a.x - b.x, a.y - b.y), 2 * kStoneRadius - 1e-4)
            << n << " " << i << " " << j;
      }
    }
  }
  EXPECT_GT(collisions, 150);  // the scenes do exercise collisions
}

TEST(EventLoopTest, CollisionsSplitMomentumByRestitutionAndStruckStonesRunStraight) {
  const CanonicalPath& path = CanonicalPath::Get();
  // Head-on along a straight line: speeds after are (1 - e)/2 and (1 + e)/2.
  EventLoop loop(path, nullptr);
  loop.PlaceStone(0, {kCentreX, 8.0});
  loop.PlaceStone(1, {kCentreX, 6.0});
  loop.Launch(0, 0.7, kDown, 0);
  loop.Run();
  const double v_hit = std::sqrt(0.49 - 2 * kDeceleration * (2.0 - 2 * kStoneRadius));
  const double v0_after = 0.5 * (1 - kRestitution) * v_hit;
  const double v1_after = 0.5 * (1 + kRestitution) * v_hit;
  const double hit_y = 6.0 + 2 * kStoneRadius;
  EXPECT_NEAR(loop.Position(0).y, hit_y - v0_after * v0_after / (2 * kDeceleration), 1e-6);
  EXPECT_NEAR(loop.Position(1).y, 6.0 - v1_after * v1_after / (2 * kDeceleration), 1e-6);
  EXPECT_NEAR(loop.Position(1).x, kCentreX, 1e-9);
  EXPECT_TRUE(loop.Touched(0) && loop.Touched(1));

  // A curling stone strikes a stone off-centre: the struck stone leaves along
  // the line of centres and does not curl.
  EventLoop glancing(path, nullptr);
  glancing.PlaceStone(0, {kCentreX, 9.0});
  glancing.PlaceStone(1, {kCentreX + 0.2, 6.0});
  glancing.Launch(0, 0.8, kDown, 1);
  glancing.Run();
  ASSERT_TRUE(glancing.Moved(1));
  EXPECT_GT(glancing.Position(1).x, kCentreX + 0.2);
}

TEST(EventLoopTest, FrozenChainPassesMomentumWithoutPassingThrough) {
  const CanonicalPath& path = CanonicalPath::Get();
  // Stones 1, 2, 3 in a line, each touching (slightly overlapped, as single
  // precision leaves them) the next.
  EventLoop loop(path, nullptr);
  loop.PlaceStone(0, {kCentreX, 9.0});
  loop.PlaceStone(1, {kCentreX, 6.0});
  loop.PlaceStone(2, {kCentreX, 6.0 - 2 * kStoneRadius + 4e-6});
  loop.PlaceStone(3, {kCentreX, 6.0 - 4 * kStoneRadius + 8e-6});
  loop.Launch(0, 0.9, kDown, 0);
  loop.Run();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(loop.InPlay(i) && loop.InPlay(i + 1));
    EXPECT_GT(loop.Position(i).y, loop.Position(i + 1).y) << i;
  }
  EXPECT_TRUE(loop.Moved(3));
  EXPECT_FALSE(loop.HitEventLimit());
}

// A stone that starts overlapping another and moves along it, tangentially:
// its closing speed is pure rounding error and must not count as a collision
// (which used to repeat without end until the event limit froze every stone).
TEST(EventLoopTest, TangentialSlideAlongATouchingStoneIsNotACollision) {
  const CanonicalPath& path = CanonicalPath::Get();
  for (int spin : {0, 1}) {
    EventLoop loop(path, nullptr);
    loop.PlaceStone(0, {2.0, 6.0});
    loop.PlaceStone(1, {2.0 + 2 * kStoneRadius - 1e-8, 6.0});
    loop.Launch(0, 0.8, kDown, spin);
    loop.Run();
    EXPECT_FALSE(loop.HitEventLimit()) << spin;
    EXPECT_LT(loop.EventCount(), 5) << spin;
    EXPECT_LT(loop.Position(0).y, 6.0 - 3.0) << spin;  // ran its course (about 3.9 m)
  }
}

// All sixteen stones packed in the house, touching, some slightly overlapped;
// a firm delivery into them ends in bounded work with no stone inside another.
TEST(EventLoopTest, PackedHouseStaysBoundedAndSolid) {
  CounterRandom random(8);
  int collisions = 0;
  for (int n = 0; n < 20; ++n) {
    GameState state{};
    state.ShotNum = static_cast<int>(random.NextBits() % 16);
    for (int i = 0; i < 16; ++i) {
      state.Stones[i] = {static_cast<float>(kTeeX + 2 * kStoneRadius * ((i % 4) - 1.5) +
                                            2e-6 * (random.NextOpenUnit() - 0.5)),
                         static_cast<float>(kTeeY + 2 * kStoneRadius * (i / 4 - 1.5))};
    }
    const ShotVector shot{static_cast<float>(0.1 * (random.NextOpenUnit() - 0.5)),
                          static_cast<float>(-2.8 - 1.2 * random.NextOpenUnit()),
                          static_cast<uint8_t>(n % 2),
                          {0, 0, 0}};
    CheckingObserver observer;
    CounterRandom draws(n);
    SimulateShot(state, shot, ShotOptions{}, draws, &observer, nullptr);
    collisions += observer.collisions;
    EXPECT_EQ(observer.limits, 0) << n;
    for (int i = 0; i < 16; ++i) {
      const StonePosition a = state.Stones[i];
      if (a.x == 0.0f && a.y == 0.0f) continue;
      for (int j = i + 1; j < 16; ++j) {
        const StonePosition b = state.Stones[j];
        if (b.x == 0.0f && b.y == 0.0f) continue;
        EXPECT_GT(std::hypot(a.x - b.x, a.y - b.y), 2 * kStoneRadius - 1e-4) << n;
      }
    }
  }
  EXPECT_GT(collisions, 100);
}

}  // namespace
}  // namespace curling::sim
