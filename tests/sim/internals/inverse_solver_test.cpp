#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/free_path.h"
#include "sim/inverse_shots.h"

namespace curling::sim {
namespace {

// Position of the free path started from the delivery point at speed v_end.
Vec2 PassPoint(const CanonicalPath& path, const Delivery& d, int spin, double v_end) {
  FreePath motion;
  motion.Start(path, 0.0, {0.0, 0.0}, {std::cos(d.heading), std::sin(d.heading)}, d.speed, spin);
  return motion.PositionAtSpeed(path, v_end);
}

TEST(InverseSolverTest, ConvergesToTheTargetForDrawsAndHits) {
  const CanonicalPath& path = CanonicalPath::Get();
  double worst = 0.0;
  for (int spin : {-1, 1}) {
    for (double power : {0.0, 0.5, 3.66, 7.0, 12.0, 60.0}) {
      const double v_end = SpeedForRemainingRun(power);
      for (double x = -2.0; x <= 2.0; x += 0.5) {
        for (double y : {-0.01, -1.0, -28.0, -36.4, -38.2, -45.0, 3.0}) {
          Delivery d{};
          ASSERT_TRUE(SolveDelivery(path, {x, y}, v_end, spin, d)) << x << " " << y;
          const Vec2 p = PassPoint(path, d, spin, v_end);
          worst = std::fmax(worst, std::hypot(p.x - x, p.y - y));
          // The speed at the aim is the one the power implies.
          EXPECT_GE(d.speed, v_end);
        }
      }
    }
  }
  EXPECT_LT(worst, 1e-7);
}

TEST(InverseSolverTest, RejectsUnreachableAndNonFiniteTargets) {
  const CanonicalPath& path = CanonicalPath::Get();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Delivery d{1.0, 1.0};
  // The longest path at full speed is about 874 m.
  EXPECT_FALSE(SolveDelivery(path, {0.0, -900.0}, 0.0, 1, d));
  EXPECT_EQ(d.speed, 0.0);
  EXPECT_FALSE(SolveDelivery(path, {nan, -30.0}, 0.0, 1, d));
  EXPECT_FALSE(SolveDelivery(path, {0.0, inf}, 0.0, -1, d));
  EXPECT_FALSE(SolveDelivery(path, {0.0, -30.0}, nan, 1, d));
  EXPECT_FALSE(SolveDelivery(path, {0.0, -30.0}, kMaxSpeed + 1.0, 1, d));
  EXPECT_FALSE(SolveDelivery(path, {1e300, 1e300}, 0.0, 1, d));
  // A target at the delivery point itself needs no speed at all.
  EXPECT_TRUE(SolveDelivery(path, {0.0, 0.0}, 0.0, 1, d));
  EXPECT_EQ(d.speed, 0.0);
  // Within reach up to the very edge of the table.
  const double longest = PathChord(path, kMaxSpeed, 0.0, 1);
  EXPECT_TRUE(SolveDelivery(path, {0.0, -(longest - 1e-3)}, 0.0, 1, d));
  EXPECT_LE(d.speed, kMaxSpeed);
}

}  // namespace
}  // namespace curling::sim
