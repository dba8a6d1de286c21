#include "sim/sheet_exit.h"

#include <cmath>
#include <limits>

namespace curling::sim {
namespace {

double Coordinate(Vec2 p, int axis) {
  return axis == 0 ? p.x : p.y;
}

// Speed in [v_lo, v_hi] where the coordinate crosses `bound`, given that it
// is monotone there and f(v_hi) > 0 >= f(v_lo) with f = sign * (coord - bound).
// Newton in the squared speed, in which the arc length is linear, so that the
// coordinate is nearly linear too; safeguarded by the bracket.
double CrossingSpeed(const CanonicalPath& path, const FreePath& motion, int axis, double sign,
                     double bound, double v_lo, double f_lo, double v_hi, double f_hi) {
  double q_lo = v_lo * v_lo;
  double q_hi = v_hi * v_hi;
  double q = q_hi - f_hi * (q_hi - q_lo) / (f_hi - f_lo);
  for (int it = 0; it < 60; ++it) {
    if (!(q > q_lo && q < q_hi)) q = 0.5 * (q_lo + q_hi);
    const double v = std::sqrt(q);
    const double f = sign * (Coordinate(motion.PositionAtSpeed(path, v), axis) - bound);
    if (std::fabs(f) < 1e-11) return v;  // on the bound to within 1e-11 m
    if (f > 0.0) {
      q_hi = q;
    } else {
      q_lo = q;
    }
    if (q_hi - q_lo < 1e-14) break;
    // d(coord)/d(v^2) = -(heading component) / (2a)
    const Vec2 dir = motion.DirectionAtSpeed(path, v);
    const double slope = -sign * Coordinate(dir, axis) / (2.0 * kDeceleration);
    q = slope != 0.0 ? q - f / slope : 0.5 * (q_lo + q_hi);
  }
  return std::sqrt(q_hi);  // the side still inside: never later than the crossing
}

struct Boundary {
  int axis;     // 0: x, 1: y
  double sign;  // inside where sign * (coord - bound) > 0
  double bound;
  ExitKind kind;
};

constexpr Boundary kBoundaries[4] = {
    {0, 1.0, kStoneRadius, ExitKind::kSide},
    {0, -1.0, kSheetWidth - kStoneRadius, ExitKind::kSide},
    {1, 1.0, kBackLineY - kStoneRadius, ExitKind::kBack},
    {1, -1.0, kDeliveryY, ExitKind::kDeliveryEnd},
};

// Whether a signed distance inside the boundary means out of play: touching
// a side line is out, the back line and the delivery end must be passed.
bool IsOut(ExitKind kind, double f) {
  return kind == ExitKind::kSide ? !(f > 0.0) : !(f >= 0.0);
}

}  // namespace

PathExit FindPathExit(const CanonicalPath& path, const FreePath& motion, const PathExtent& extent) {
  PathExit best;
  const double v0 = motion.StartSpeed();
  if (!(v0 > 0.0)) return best;
  // The box of the whole path decides most paths at once.
  if (extent.lo.x > kStoneRadius && extent.hi.x < kSheetWidth - kStoneRadius &&
      extent.lo.y >= kBackLineY - kStoneRadius && extent.hi.y <= kDeliveryY) {
    return best;
  }
  double best_speed = -1.0;  // the exit at the highest speed comes first
  // Where each coordinate is extreme, worked out once for both boundaries
  // of its axis (0: not yet).
  double split_speed[2] = {0.0, 0.0};
  Vec2 split_pos[2];
  for (const Boundary& b : kBoundaries) {
    // Boundaries the box does not reach need no search.
    const double box_lo = b.axis == 0 ? extent.lo.x : extent.lo.y;
    const double box_hi = b.axis == 0 ? extent.hi.x : extent.hi.y;
    if (b.sign > 0.0 ? box_lo > b.bound : box_hi < b.bound) continue;
    if (split_speed[b.axis] == 0.0) {
      split_speed[b.axis] = SplitSpeed(path, motion, b.axis);
      if (split_speed[b.axis] > 0.0) {
        split_pos[b.axis] = motion.PositionAtSpeed(path, split_speed[b.axis]);
      }
    }
    const bool split = split_speed[b.axis] > 0.0;
    const double edges[3] = {v0, split ? split_speed[b.axis] : 0.0, 0.0};
    const Vec2 points[3] = {motion.StartPosition(), split ? split_pos[b.axis] : extent.rest,
                            extent.rest};
    const int count = split ? 3 : 2;
    double prev_v = edges[0];
    double prev_f = b.sign * (Coordinate(points[0], b.axis) - b.bound);
    if (IsOut(b.kind, prev_f)) {
      best = {b.kind, motion.StartTime()};
      return best;  // already out at the start
    }
    for (int k = 1; k < count; ++k) {
      const double v = edges[k];
      const double f = b.sign * (Coordinate(points[k], b.axis) - b.bound);
      if (IsOut(b.kind, f)) {
        // From exactly on the line (a delivery from the delivery point), out
        // at once.
        const double cross = prev_f == 0.0 ? prev_v
                                           : CrossingSpeed(path, motion, b.axis, b.sign, b.bound, v,
                                                           f, prev_v, prev_f);
        if (cross > best_speed) {
          best_speed = cross;
          best.kind = b.kind;
        }
        break;
      }
      prev_v = v;
      prev_f = f;
    }
  }
  if (best.kind != ExitKind::kNone) {
    best.time = motion.StartTime() + (v0 - best_speed) / kDeceleration;
  }
  return best;
}

}  // namespace curling::sim
