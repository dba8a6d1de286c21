#include "sim/path_extent.h"

#include <cmath>

#include "sim/min_max.h"

namespace curling::sim {
namespace {

constexpr double kPi = 3.141592653589793238462643383279502884;

// Inverse of the canonical heading: the speed at which it equals `theta`.
double SpeedAtCanonicalHeading(double theta) {
  constexpr double kRatio = kCurlCoefficient / kDeceleration;
  const double at_fade = CanonicalHeading(kCurlFadeSpeed);
  if (theta <= at_fade) return 1.0 / (theta / kRatio + 1.0 / kMaxSpeed);
  return kCurlFadeSpeed - (theta - at_fade) * (kCurlFadeSpeed * kCurlFadeSpeed) / kRatio;
}

// The headings of a curling path, worked out once for both axes: at its
// start, the lowest and highest (at the start or at rest), and the canonical
// heading at its start speed.
struct HeadingRange {
  double start;
  double lo;
  double hi;
  double canonical_start;
};

HeadingRange PathHeadingRange(const FreePath& motion) {
  const double v0 = motion.StartSpeed();
  const double start = motion.HeadingAtSpeed(v0);
  const double end = motion.HeadingAtSpeed(0.0);
  return {start, MinOf(start, end), MaxOf(start, end), CanonicalHeading(v0)};
}

// The speed in (0, v0) at which the path's heading is `direction` modulo pi,
// or -1 if it never is. `range` is the path's heading range (spin != 0).
double SpeedAtHeading(const FreePath& motion, const HeadingRange& range, double direction) {
  const int spin = motion.Spin();
  const double v0 = motion.StartSpeed();
  double target = direction + kPi * std::floor((range.lo - direction) / kPi);
  if (target < range.lo) target += kPi;
  if (!(target < range.hi)) return -1.0;
  // heading(v) = start + spin (Theta(v) - Theta(v0))
  const double canonical = range.canonical_start + (target - range.start) * spin;
  const double v = SpeedAtCanonicalHeading(canonical);
  return (v > 0.0 && v < v0) ? v : -1.0;
}

void Include(PathExtent& e, Vec2 p) {
  e.lo.x = MinOf(e.lo.x, p.x);
  e.lo.y = MinOf(e.lo.y, p.y);
  e.hi.x = MaxOf(e.hi.x, p.x);
  e.hi.y = MaxOf(e.hi.y, p.y);
}

}  // namespace

PathExtent FindPathExtent(const CanonicalPath& path, const FreePath& motion) {
  PathExtent e;
  // Straight paths keep one heading: each coordinate is monotone throughout.
  e.split_speed[0] = -1.0;
  e.split_speed[1] = -1.0;
  if (motion.Spin() != 0) {
    const HeadingRange range = PathHeadingRange(motion);
    e.split_speed[0] = SpeedAtHeading(motion, range, 0.5 * kPi);
    e.split_speed[1] = SpeedAtHeading(motion, range, 0.0);
  }
  const Vec2 start = motion.StartPosition();
  e.lo = start;
  e.hi = start;
  e.rest = motion.RestPosition(path);
  Include(e, e.rest);
  for (int axis = 0; axis < 2; ++axis) {
    const double v = e.split_speed[axis];
    e.split_pos[axis] = v > 0.0 ? motion.PositionAtSpeed(path, v) : start;
    if (v > 0.0) Include(e, e.split_pos[axis]);
  }
  return e;
}

}  // namespace curling::sim
