#include "sim/path_extent.h"

#include <cmath>

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

// The speed in (0, v0) at which the path's heading is `direction` modulo pi,
// or -1 if it never is.
double SpeedAtHeading(const FreePath& motion, double direction) {
  const int spin = motion.Spin();
  if (spin == 0) return -1.0;
  const double v0 = motion.StartSpeed();
  const double start = motion.HeadingAtSpeed(v0);
  const double end = motion.HeadingAtSpeed(0.0);
  const double lo = std::fmin(start, end);
  const double hi = std::fmax(start, end);
  double target = direction + kPi * std::floor((lo - direction) / kPi);
  if (target < lo) target += kPi;
  if (!(target < hi)) return -1.0;
  // heading(v) = start + spin (Theta(v) - Theta(v0))
  const double canonical = CanonicalHeading(v0) + (target - start) * spin;
  const double v = SpeedAtCanonicalHeading(canonical);
  return (v > 0.0 && v < v0) ? v : -1.0;
}

void Include(PathExtent& e, Vec2 p) {
  e.lo.x = std::fmin(e.lo.x, p.x);
  e.lo.y = std::fmin(e.lo.y, p.y);
  e.hi.x = std::fmax(e.hi.x, p.x);
  e.hi.y = std::fmax(e.hi.y, p.y);
}

}  // namespace

PathExtent FindPathExtent(const CanonicalPath& path, const FreePath& motion) {
  PathExtent e;
  e.split_speed[0] = SpeedAtHeading(motion, 0.5 * kPi);
  e.split_speed[1] = SpeedAtHeading(motion, 0.0);
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
