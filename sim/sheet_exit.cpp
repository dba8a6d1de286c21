#include "sim/sheet_exit.h"

#include <cmath>
#include <limits>

namespace curling::sim {
namespace {

constexpr double kPi = 3.141592653589793238462643383279502884;
constexpr double kTwoPi = 2.0 * kPi;

// Inverse of the canonical heading: the speed at which it equals `theta`.
double SpeedAtCanonicalHeading(double theta) {
  constexpr double kRatio = kCurlCoefficient / kDeceleration;
  const double at_fade = CanonicalHeading(kCurlFadeSpeed);
  if (theta <= at_fade) return 1.0 / (theta / kRatio + 1.0 / kMaxSpeed);
  return kCurlFadeSpeed - (theta - at_fade) * (kCurlFadeSpeed * kCurlFadeSpeed) / kRatio;
}

// The speed in (0, v0) at which the path's heading is `direction` modulo 2 pi,
// or -1 if it never is. The heading turns monotonically by less than pi.
double SpeedAtHeading(const FreePath& motion, double direction) {
  const int spin = motion.Spin();
  if (spin == 0) return -1.0;
  const double v0 = motion.StartSpeed();
  const double start = motion.HeadingAtSpeed(v0);
  const double end = motion.HeadingAtSpeed(0.0);
  const double lo = std::fmin(start, end);
  const double hi = std::fmax(start, end);
  double target = direction + kTwoPi * std::floor((lo - direction) / kTwoPi);
  if (target < lo) target += kTwoPi;
  if (!(target < hi)) return -1.0;
  // heading(v) = start + spin (Theta(v) - Theta(v0))
  const double canonical = CanonicalHeading(v0) + (target - start) * spin;
  const double v = SpeedAtCanonicalHeading(canonical);
  return (v > 0.0 && v < v0) ? v : -1.0;
}

double Coordinate(const CanonicalPath& path, const FreePath& motion, int axis, double v) {
  const Vec2 p = motion.PositionAtSpeed(path, v);
  return axis == 0 ? p.x : p.y;
}

// Speed in [v_lo, v_hi] where the coordinate crosses `bound`, given that it
// is monotone there and f(v_hi) > 0 >= f(v_lo) with f = sign * (coord - bound).
double CrossingSpeed(const CanonicalPath& path, const FreePath& motion, int axis, double sign,
                     double bound, double v_lo, double v_hi) {
  double v = 0.5 * (v_lo + v_hi);
  for (int it = 0; it < 80; ++it) {
    const double f = sign * (Coordinate(path, motion, axis, v) - bound);
    if (f > 0.0) {
      v_hi = v;
    } else {
      v_lo = v;
    }
    if (std::fabs(f) < 1e-12 || v_hi - v_lo < 1e-15) break;
    // d(coord)/dv = -(v / a) * (cos or sin of the heading)
    const double h = motion.HeadingAtSpeed(v);
    const double slope = -sign * (v / kDeceleration) * (axis == 0 ? std::cos(h) : std::sin(h));
    double next = slope != 0.0 ? v - f / slope : 0.5 * (v_lo + v_hi);
    if (!(next > v_lo && next < v_hi)) next = 0.5 * (v_lo + v_hi);
    v = next;
  }
  return v_hi;  // the side still inside the bound: never later than the crossing
}

struct Boundary {
  int axis;     // 0: x, 1: y
  double sign;  // inside where sign * (coord - bound) > 0
  double bound;
  ExitKind kind;
};

constexpr Boundary kBoundaries[3] = {
    {0, 1.0, kStoneRadius, ExitKind::kSide},
    {0, -1.0, kSheetWidth - kStoneRadius, ExitKind::kSide},
    {1, 1.0, kBackLineY - kStoneRadius, ExitKind::kBack},
};

}  // namespace

PathExit FindPathExit(const CanonicalPath& path, const FreePath& motion) {
  PathExit best;
  const double v0 = motion.StartSpeed();
  if (!(v0 > 0.0)) return best;
  double best_speed = -1.0;  // the exit at the highest speed comes first
  // Monotone pieces per axis: split at the speed where the heading is parallel
  // to the other axis (x extreme at heading +-pi/2, y extreme at 0 or pi).
  double split[2];
  for (int axis = 0; axis < 2; ++axis) {
    const double first = axis == 0 ? 0.5 * kPi : 0.0;
    double s = SpeedAtHeading(motion, first);
    if (s < 0.0) s = SpeedAtHeading(motion, first + kPi);
    split[axis] = s;
  }
  for (const Boundary& b : kBoundaries) {
    double edges[3] = {v0, split[b.axis], 0.0};
    const int count = split[b.axis] > 0.0 ? 3 : 2;
    if (count == 2) edges[1] = 0.0;
    double prev_v = edges[0];
    const double start_f = b.sign * (Coordinate(path, motion, b.axis, prev_v) - b.bound);
    if (b.kind == ExitKind::kSide ? !(start_f > 0.0) : !(start_f >= 0.0)) {
      best = {b.kind, motion.StartTime()};
      return best;  // already out at the start
    }
    for (int k = 1; k < count; ++k) {
      const double v = edges[k];
      const double f = b.sign * (Coordinate(path, motion, b.axis, v) - b.bound);
      const bool out = b.kind == ExitKind::kSide ? !(f > 0.0) : (f < 0.0);
      if (out) {
        const double cross = CrossingSpeed(path, motion, b.axis, b.sign, b.bound, v, prev_v);
        if (cross > best_speed) {
          best_speed = cross;
          best.kind = b.kind;
        }
        break;
      }
      prev_v = v;
    }
  }
  if (best.kind != ExitKind::kNone) {
    best.time = motion.StartTime() + (v0 - best_speed) / kDeceleration;
  }
  return best;
}

}  // namespace curling::sim
