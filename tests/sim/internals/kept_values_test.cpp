// Values the library works out once and keeps (the table's end point, a
// path's rest position and bounding box, inline minima and maxima) must be
// bit for bit what recomputing them gives: results are pinned to the bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "sim/canonical_path.h"
#include "sim/free_path.h"
#include "sim/min_max.h"
#include "sim/path_extent.h"

namespace curling::sim {
namespace {

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameBits(Vec2 a, Vec2 b) {
  return SameBits(a.x, b.x) && SameBits(a.y, b.y);
}

TEST(KeptValuesTest, MinimumAndMaximumMatchTheLibraryFunctions) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double values[] = {0.0, -0.0, 1.5, -2.25, 1e-300, inf, -inf, nan};
  for (double a : values) {
    for (double b : values) {
      if (std::isnan(a) && std::isnan(b)) {
        EXPECT_TRUE(std::isnan(MinOf(a, b)) && std::isnan(MaxOf(a, b)));
        continue;
      }
      // Equal values of either sign give the second, as the x86-64 library does.
      const double min_expected = std::isnan(b) ? a : (std::isnan(a) ? b : (a < b ? a : b));
      const double max_expected = std::isnan(b) ? a : (std::isnan(a) ? b : (a > b ? a : b));
      EXPECT_TRUE(SameBits(MinOf(a, b), min_expected)) << a << " " << b;
      EXPECT_TRUE(SameBits(MaxOf(a, b), max_expected)) << a << " " << b;
      if (a != b) {  // signed zeros aside, the standard functions agree
        EXPECT_TRUE(SameBits(MinOf(a, b), std::fmin(a, b))) << a << " " << b;
        EXPECT_TRUE(SameBits(MaxOf(a, b), std::fmax(a, b))) << a << " " << b;
      }
    }
  }
}

TEST(KeptValuesTest, RestPositionsAreTheTableValuesAtSpeedZero) {
  const CanonicalPath& path = CanonicalPath::Get();
  for (int spin : {-1, 0, 1}) {
    EXPECT_TRUE(SameBits(SpinPathRestPosition(path, spin), SpinPathPosition(path, spin, 0.0)));
    EXPECT_TRUE(SameBits(SpinPathRestPosition(path, spin), SpinPathPosition(path, spin, -0.0)));
  }
  for (int spin : {-1, 0, 1}) {
    for (double speed : {0.05, 0.3, 2.2, 3.7, 12.0}) {
      for (double heading : {-1.5707963267948966, -2.0, 0.4, 3.0}) {
        FreePath motion;
        motion.Start(path, 1.25, {2.0, 30.0}, speed, heading, spin);
        EXPECT_TRUE(SameBits(motion.RestPosition(path), motion.PositionAtSpeed(path, 0.0)))
            << spin << " " << speed << " " << heading;
      }
    }
  }
}

// The box and split speeds of a path, checked against a dense walk along it.
TEST(KeptValuesTest, PathExtentHoldsTheWholePathAndItsTurningPoints) {
  const CanonicalPath& path = CanonicalPath::Get();
  for (int spin : {-1, 0, 1}) {
    for (double speed : {0.2, 1.0, 2.5, 4.0, 12.0}) {
      for (double heading : {-1.5707963267948966, -1.2, -2.9, 0.0, 1.6}) {
        FreePath motion;
        motion.Start(path, 0.0, {2.375, 20.0}, speed, heading, spin);
        const PathExtent e = FindPathExtent(path, motion);
        EXPECT_TRUE(SameBits(e.rest, motion.PositionAtSpeed(path, 0.0)));
        if (spin == 0) {
          EXPECT_EQ(e.split_speed[0], -1.0);
          EXPECT_EQ(e.split_speed[1], -1.0);
        }
        Vec2 lo{1e9, 1e9};
        Vec2 hi{-1e9, -1e9};
        for (int k = 0; k <= 4000; ++k) {
          const Vec2 p = motion.PositionAtSpeed(path, speed * k / 4000.0);
          lo = {std::fmin(lo.x, p.x), std::fmin(lo.y, p.y)};
          hi = {std::fmax(hi.x, p.x), std::fmax(hi.y, p.y)};
        }
        const double slack = 1e-4;  // the sampled walk can miss an extreme by a little
        EXPECT_LE(e.lo.x, lo.x + 1e-12);
        EXPECT_LE(e.lo.y, lo.y + 1e-12);
        EXPECT_GE(e.hi.x, hi.x - 1e-12);
        EXPECT_GE(e.hi.y, hi.y - 1e-12);
        EXPECT_NEAR(e.lo.x, lo.x, slack);
        EXPECT_NEAR(e.lo.y, lo.y, slack);
        EXPECT_NEAR(e.hi.x, hi.x, slack);
        EXPECT_NEAR(e.hi.y, hi.y, slack);
      }
    }
  }
}

}  // namespace
}  // namespace curling::sim
