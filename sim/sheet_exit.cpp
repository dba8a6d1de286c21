#include "sim/sheet_exit.h"

#include <cmath>
#include <limits>

namespace curling::sim {
namespace {

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

PathExit FindPathExit(const CanonicalPath& path, const FreePath& motion, const PathExtent& extent) {
  PathExit best;
  const double v0 = motion.StartSpeed();
  if (!(v0 > 0.0)) return best;
  // The box of the whole path decides most paths at once.
  if (extent.lo.x > kStoneRadius && extent.hi.x < kSheetWidth - kStoneRadius &&
      extent.lo.y >= kBackLineY - kStoneRadius) {
    return best;
  }
  double best_speed = -1.0;  // the exit at the highest speed comes first
  const double* split = extent.split_speed;
  for (const Boundary& b : kBoundaries) {
    // Boundaries the box does not reach need no search.
    const double box_lo = b.axis == 0 ? extent.lo.x : extent.lo.y;
    const double box_hi = b.axis == 0 ? extent.hi.x : extent.hi.y;
    if (b.sign > 0.0 ? box_lo > b.bound : box_hi < b.bound) continue;
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
