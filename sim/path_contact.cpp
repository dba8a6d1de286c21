#include "sim/path_contact.h"

#include <cmath>
#include <limits>

#include "sim/min_max.h"

namespace curling::sim {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kTwoRadii = 2.0 * kStoneRadius;
// The march stops this close (gap) to contact: well under the contact gap,
// so that the contact test that follows sees the pair touching.
constexpr double kTargetGap = 0.01 * kContactGap;

// Largest curvature of a curling path at speeds of at least v.
double CurvatureBound(double v) {
  if (!(v > 0.0)) return kInfinity;
  if (v >= kCurlFadeSpeed) return kCurlCoefficient / (v * v * v);
  return kCurlCoefficient / (kCurlFadeSpeed * kCurlFadeSpeed * v);
}

// Arc length within which a gap of `room` above the target, changing at rate
// `slope` per metre with second derivative >= -curvature, stays positive.
double SafeArc(double room, double slope, double curvature) {
  if (!(curvature < kInfinity)) return room;
  const double disc = std::sqrt(slope * slope + 2.0 * curvature * room);
  const double arc = slope >= 0.0 ? (slope + disc) / curvature : 2.0 * room / (disc - slope);
  return arc > room ? arc : room;
}

double TimeAtSpeed(const FreePath& motion, double v) {
  return motion.StartTime() + (motion.StartSpeed() - v) / kDeceleration;
}

// Straight path: the closest approach in closed form.
double StraightContactTime(const CanonicalPath& path, const FreePath& motion, double t, Vec2 pos,
                           Vec2 other) {
  const double v = motion.SpeedAt(t);
  const Vec2 dir = motion.DirectionAtSpeed(path, v);
  const double tx = dir.x;
  const double ty = dir.y;
  const double rx = other.x - pos.x;
  const double ry = other.y - pos.y;
  const double along = rx * tx + ry * ty;  // arc to the closest approach
  const double reach = kTwoRadii + kTargetGap;
  const double dist2 = rx * rx + ry * ry;
  if (along <= 0.0) return kInfinity;    // moving away on a straight line
  if (dist2 <= reach * reach) return t;  // touching and closing
  const double across2 = dist2 - along * along;
  if (across2 >= reach * reach) return kInfinity;
  const double arc = along - std::sqrt(reach * reach - across2);
  const double remaining = v * v - 2.0 * kDeceleration * arc;
  if (remaining <= 0.0) return kInfinity;
  const double time = TimeAtSpeed(motion, std::sqrt(remaining));
  return time > t ? time : t;
}

}  // namespace

ContactSearch PathContactTime(const CanonicalPath& path, const FreePath& motion,
                              const PathExtent& extent, double t, Vec2 pos, Vec2 other,
                              int max_steps, bool lazy_first_step) {
  const double margin = kTwoRadii + kContactGap;
  if (other.x < extent.lo.x - margin || other.x > extent.hi.x + margin ||
      other.y < extent.lo.y - margin || other.y > extent.hi.y + margin) {
    return {kInfinity, true};
  }
  if (motion.Spin() == 0) return {StraightContactTime(path, motion, t, pos, other), true};

  double v = motion.SpeedAt(t);
  if (!(v > 0.0)) return {kInfinity, true};
  Vec2 p = pos;
  Vec2 dir{0.0, 0.0};
  for (int it = 0; it < max_steps; ++it) {
    if (it > 0) motion.PositionAndDirectionAtSpeed(path, v, p, dir);
    const double rx = p.x - other.x;
    const double ry = p.y - other.y;
    const double dist = std::sqrt(rx * rx + ry * ry);
    const double gap = dist - kTwoRadii;
    double arc;
    if (it == 0 && lazy_first_step && gap > kContactGap) {
      arc = gap - kTargetGap;  // the gap shrinks at most as fast as the arc grows
      const double remaining = v * v - 2.0 * kDeceleration * arc;
      if (remaining <= 0.0) return {kInfinity, true};  // stops first
      v = std::sqrt(remaining);
      continue;
    }
    if (it == 0) dir = motion.DirectionAtSpeed(path, v);
    // Rate of change of the gap per metre of path.
    const double slope = dist > 0.0 ? (dir.x * rx + dir.y * ry) / dist : -1.0;
    if (gap <= kContactGap) {
      if (-slope * v > kMinClosingSpeed) return {MaxOf(TimeAtSpeed(motion, v), t), true};
      // Touching and not closing in: as long as the gap cannot shrink by
      // more than the slack (a contact then is found from there).
      const double first = SafeArc(kTouchingSlack, slope, CurvatureBound(v));
      const double end2 = v * v - 2.0 * kDeceleration * first;
      arc =
          SafeArc(kTouchingSlack, slope, end2 > 0.0 ? CurvatureBound(std::sqrt(end2)) : kInfinity);
    } else {
      const double room = gap - kTargetGap;
      arc = SafeArc(room, slope, CurvatureBound(v));
      // The curvature bound holds only down to the step's end speed.
      const double end2 = v * v - 2.0 * kDeceleration * arc;
      const double end_curvature = end2 > 0.0 ? CurvatureBound(std::sqrt(end2)) : kInfinity;
      arc = SafeArc(room, slope, end_curvature);
    }
    const double remaining = v * v - 2.0 * kDeceleration * arc;
    if (remaining <= 0.0) return {kInfinity, true};  // stops first
    v = std::sqrt(remaining);
  }
  const double time = TimeAtSpeed(motion, v);
  return {time > t ? time : t, false};
}

}  // namespace curling::sim
