#include "sim/path_extent.h"

#include <cmath>

#include "sim/min_max.h"
#include "sim/system_math.h"

namespace curling::sim {
namespace {

double Coordinate(Vec2 p, int axis) {
  return axis == 0 ? p.x : p.y;
}

double Cross(Vec2 a, Vec2 b) {
  return a.x * b.y - a.y * b.x;
}

void Include(PathExtent& e, Vec2 p) {
  e.lo.x = MinOf(e.lo.x, p.x);
  e.lo.y = MinOf(e.lo.y, p.y);
  e.hi.x = MaxOf(e.hi.x, p.x);
  e.hi.y = MaxOf(e.hi.y, p.y);
}

// Below this sine of the whole turn, the corner of the tangents is too ill
// conditioned to use and the box takes the extreme points themselves.
constexpr double kSmallTurn = 1e-3;

}  // namespace

// The path's direction at canonical heading Theta is the turn applied to
// (cos Theta, s sin Theta); its component along the axis is zero where
// tan Theta takes the value below, and the canonical headings of a path lie
// within [0, 0.6], where the arc tangent is that heading.
double SplitSpeed(const CanonicalPath& path, const FreePath& motion, int axis) {
  if (motion.Spin() == 0) return -1.0;
  if (!(Coordinate(motion.StartDirection(), axis) * Coordinate(motion.RestDirection(path), axis) <
        0.0)) {
    return -1.0;
  }
  const Vec2 turn = motion.Turn();
  const double spin = motion.Spin();
  const double tangent = axis == 0 ? turn.x / (spin * turn.y) : -turn.y / (spin * turn.x);
  const double v = SpeedAtCanonicalHeading(Atan(tangent));
  return (v > 0.0 && v < motion.StartSpeed()) ? v : -1.0;
}

// The box of the start and rest points holds a path whose coordinates are
// monotone. A path that turns across an axis bends within the triangle of
// its chord and its two end tangents (it turns one way, by less than a right
// angle): the corner where the tangents meet joins the box.
PathExtent FindPathExtent(const CanonicalPath& path, const FreePath& motion) {
  PathExtent e;
  const Vec2 start = motion.StartPosition();
  e.lo = start;
  e.hi = start;
  e.rest = motion.RestPosition(path);
  Include(e, e.rest);
  if (motion.Spin() == 0) return e;
  const Vec2 first = motion.StartDirection();
  const Vec2 last = motion.RestDirection(path);
  if (!(first.x * last.x < 0.0) && !(first.y * last.y < 0.0)) return e;
  const double turn = Cross(first, last);
  if (std::fabs(turn) < kSmallTurn) {
    for (int axis = 0; axis < 2; ++axis) {
      const double v = SplitSpeed(path, motion, axis);
      if (v > 0.0) Include(e, motion.PositionAtSpeed(path, v));
    }
    return e;
  }
  const Vec2 chord{e.rest.x - start.x, e.rest.y - start.y};
  const double along = Cross(chord, last) / turn;
  Include(e, {start.x + along * first.x, start.y + along * first.y});
  return e;
}

}  // namespace curling::sim
