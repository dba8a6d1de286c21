#include <gtest/gtest.h>

#include <cmath>

#include "sim/canonical_path.h"

namespace curling::sim {
namespace {

// Direct integration of P(v) = integral from v to kMaxSpeed of (u / a) e^{i Theta(u)} du
// with Simpson's rule on fine panels split at the curl fade speed.
Vec2 DirectPosition(double v) {
  auto integrate = [](double lo, double hi, Vec2& sum) {
    if (!(hi > lo)) return;
    const int panels = 2 * static_cast<int>(std::ceil((hi - lo) / 1e-3));
    const double h = (hi - lo) / panels;
    for (int k = 0; k <= panels; ++k) {
      const double u = lo + k * h;
      const double w = (k == 0 || k == panels) ? 1.0 : (k % 2 == 1 ? 4.0 : 2.0);
      const Vec2 slope = CanonicalSlope(u);
      sum.x -= w * slope.x * h / 3.0;
      sum.y -= w * slope.y * h / 3.0;
    }
  };
  Vec2 sum{0.0, 0.0};
  if (v < kCurlFadeSpeed) {
    integrate(v, kCurlFadeSpeed, sum);
    integrate(kCurlFadeSpeed, kMaxSpeed, sum);
  } else {
    integrate(v, kMaxSpeed, sum);
  }
  return sum;
}

TEST(CanonicalPathTest, InterpolationAgreesWithFineIntegrationEverywhere) {
  const CanonicalPath& path = CanonicalPath::Get();
  double worst = 0.0;
  // Between grid nodes (where interpolation error peaks), the fade speed, both ends.
  for (int k = 0; k <= 1200; ++k) {
    const double v = kMaxSpeed * (k + 0.37) / 1201.0;
    const Vec2 a = path.Position(v);
    const Vec2 b = DirectPosition(v);
    worst = std::fmax(worst, std::hypot(a.x - b.x, a.y - b.y));
  }
  for (double v : {0.0, 1e-6, 0.011, 0.29999, 0.3, 0.30001, 0.5, 2.45, 11.999, 12.0}) {
    const Vec2 a = path.Position(v);
    const Vec2 b = DirectPosition(v);
    worst = std::fmax(worst, std::hypot(a.x - b.x, a.y - b.y));
  }
  EXPECT_LT(worst, 1e-6);  // the contract is 1e-5 m

  // Headings from the table are exact to rounding, also just above the
  // fade speed where the heading turns fastest.
  double worst_direction = 0.0;
  for (int k = 0; k <= 4000; ++k) {
    const double v = k % 2 == 0 ? kMaxSpeed * (k + 0.61) / 4001.0 : kCurlFadeSpeed + 1e-5 * k;
    const Vec2 d = path.Direction(v);
    const double theta = CanonicalHeading(v);
    worst_direction =
        std::fmax(worst_direction, std::hypot(d.x - std::cos(theta), d.y - std::sin(theta)));
  }
  EXPECT_LT(worst_direction, 1e-14);

  // Out-of-range speeds clamp to the table ends instead of reading past them.
  EXPECT_EQ(path.Position(-1.0).x, path.Position(0.0).x);
  EXPECT_EQ(path.Position(1e9).x, path.Position(kMaxSpeed).x);
  EXPECT_EQ(path.Position(std::nan("")).y, path.Position(0.0).y);
  EXPECT_EQ(path.Direction(1e9).x, path.Direction(kMaxSpeed).x);
  EXPECT_EQ(path.Direction(std::nan("")).y, path.Direction(0.0).y);
}

}  // namespace
}  // namespace curling::sim
