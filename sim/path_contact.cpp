#include "sim/path_contact.h"

#include <cassert>
#include <cmath>
#include <limits>

#include "sim/min_max.h"
#include "sim/path_corridor.h"

namespace curling::sim {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kTwoRadii = 2.0 * kStoneRadius;
// The searches aim at this centre distance: a gap of half the precision.
constexpr double kAimedRadius = kTwoRadii + 0.5 * kContactPrecision;
// Cone widths are taken this much narrower than the widest one that misses,
// so that rounding cannot make the cone touch the circle.
constexpr double kConeShrink = 1.0 - 1e-9;

double Dot(Vec2 a, Vec2 b) {
  return a.x * b.x + a.y * b.y;
}

double Squared(double x) {
  return x * x;
}

// First s >= 0 at which |x0 + s u| <= rho + tau s, given |x0| > rho >= 0, or
// +inf if never: the smaller root of (u.u - tau^2) s^2 + 2 (x0.u - rho tau) s
// + (x0.x0 - rho^2), in the form that keeps its precision.
double ConeEntry(Vec2 x0, Vec2 u, double rho, double tau) {
  const double a = Dot(u, u) - tau * tau;
  const double b = Dot(x0, u) - rho * tau;
  const double c = Dot(x0, x0) - rho * rho;
  const double disc = b * b - a * c;
  if (disc < 0.0) return kInfinity;
  const double q = std::sqrt(disc) - b;
  return q > 0.0 ? c / q : kInfinity;
}

// The widest tau for which |x0 + s u| > rho + tau s for every s >= 0, when
// the line x0 + s u itself never enters the circle of radius rho.
double WidestMissingCone(Vec2 x0, Vec2 u, double rho) {
  const double x2 = Dot(x0, x0);
  const double w2 = Dot(u, u);
  const double e = Dot(x0, u);
  const double w = std::sqrt(w2);
  if (e >= rho * w) return w;  // moving straight enough away: any cone narrower than the line
  const double root = std::sqrt(MaxOf(0.0, (x2 * w2 - e * e) * (x2 - rho * rho)));
  return MinOf(w, (e * rho + root) / x2) * kConeShrink;
}

// The speed after running `arc` metres from speed v (0 if it stops first).
double SpeedAfter(double v, double arc) {
  const double squared = v * v - 2.0 * kDeceleration * arc;
  return squared > 0.0 ? std::sqrt(squared) : 0.0;
}

// One step of a path search from speed v, the stone at `x0` from the other
// stone and heading along `d`: the speed down to which they cannot come
// within `rho`, or 0 when that holds until the stone stops.
//
// The path's curvature grows as it slows, so the angle by which it has
// turned after an arc s grows convexly, and the path stays within
// s * turn(S) / 2 of its tangent up to an arc S. It also bends to one side
// only (by less than a right angle in all): a stone on the other side of the
// tangent is never nearer to the path than to the tangent ray.
double PathStep(const FreePath& motion, double v, Vec2 x0, Vec2 d, double rho) {
  const double remaining = v * v / (2.0 * kDeceleration);
  const double line_entry = ConeEntry(x0, d, rho, 0.0);
  if (line_entry >= remaining) {
    if (motion.Spin() == 0) return 0.0;
    // The stone lies on the side the path bends away from: never nearer.
    const double side = motion.Spin() * (d.y * x0.x - d.x * x0.y);
    if (side <= 0.0) return 0.0;
  } else if (motion.Spin() == 0) {
    return SpeedAfter(v, line_entry);
  }
  // Up to the tangent's entry (or the stop, or a little past the tangent's
  // closest approach), the path stays within a cone around the tangent.
  const double along = -Dot(x0, d);
  const double horizon =
      MinOf(remaining, line_entry < remaining ? line_entry : MaxOf(along, 0.0) + rho);
  const double entry = ConeEntry(x0, d, rho, 0.5 * motion.TurnBetween(v, SpeedAfter(v, horizon)));
  double arc = MinOf(entry, horizon);
  if (line_entry >= remaining) {
    // Or as long as it turns less than twice the widest cone that misses.
    const double theta = CanonicalHeading(v) + 2.0 * WidestMissingCone(x0, d, rho);
    const double arc_turning =
        theta >= CanonicalHeading(0.0)
            ? remaining
            : (v * v - Squared(SpeedAtCanonicalHeading(theta))) / (2.0 * kDeceleration);
    arc = MaxOf(arc, arc_turning);
  }
  return arc >= remaining ? 0.0 : SpeedAfter(v, arc);
}

// A moving stone at one time: where, how fast and which way.
struct MovingStone {
  Vec2 position;
  double speed;
  Vec2 direction;
  int spin;
};

MovingStone StoneAt(const CanonicalPath& path, const FreePath& motion, double t) {
  const double v = motion.SpeedAt(t);
  return {motion.PositionAtSpeed(path, v), v, motion.DirectionAtSpeed(path, v), motion.Spin()};
}

// The largest curl acceleration of a stone with spin slowing from v_hi to v_lo.
double CurlBound(int spin, double v_hi, double v_lo) {
  if (spin == 0) return 0.0;
  if (v_lo >= kCurlFadeSpeed) return kCurlCoefficient / v_lo;
  if (v_hi <= kCurlFadeSpeed) return kCurlCoefficient * v_hi / (kCurlFadeSpeed * kCurlFadeSpeed);
  return kCurlCoefficient / kCurlFadeSpeed;
}

// A bound on the relative acceleration of two stones that both keep moving
// for the next `horizon` seconds. Each feels the friction against its heading
// and the curl across it; the frictions differ only by the angle between the
// headings, which grows at most by how far each heading turns.
double RelativeAcceleration(const MovingStone& a, const MovingStone& b, double horizon) {
  const double va = MaxOf(0.0, a.speed - kDeceleration * horizon);
  const double vb = MaxOf(0.0, b.speed - kDeceleration * horizon);
  const Vec2 apart{a.direction.x - b.direction.x, a.direction.y - b.direction.y};
  double angle = std::sqrt(Dot(apart, apart));
  if (a.spin != 0) angle += CanonicalHeading(va) - CanonicalHeading(a.speed);
  if (b.spin != 0) angle += CanonicalHeading(vb) - CanonicalHeading(b.speed);
  const double bound =
      kDeceleration * angle + CurlBound(a.spin, a.speed, va) + CurlBound(b.spin, b.speed, vb);
  return MinOf(bound, 2.0 * kAccelerationBound);
}

// How long a touching pair that closes in at `closing` (at most the
// threshold, or negative: parting) is left alone: until its closing speed
// could exceed the threshold (its relative acceleration is at most
// `acceleration`), or its gap could have shrunk by kTouchingSlack, whichever
// is later. A contact can thus be found late by at most that much.
double TouchingSafeTime(double closing, double acceleration) {
  acceleration = MaxOf(acceleration, 1e-9);
  const double speed_up = (kMinClosingSpeed - closing) / acceleration;
  const double slack =
      (std::sqrt(closing * closing + 2.0 * acceleration * kTouchingSlack) - closing) / acceleration;
  return MaxOf(speed_up, slack);
}

// A step of two moving stones closing in (or apart): up to a horizon T the
// relative motion stays within A T^2 / 2, hence within (A T / 2) t, of the
// straight line. Returns how long they certainly stay apart (>= `left`:
// for as long as they move).
double ApproachStep(const MovingStone& sa, const MovingStone& sb, Vec2 x0, Vec2 u, double left,
                    double together) {
  const double line_entry = ConeEntry(x0, u, kAimedRadius, 0.0);
  if (line_entry == kInfinity) {
    const double tau = WidestMissingCone(x0, u, kAimedRadius);
    const double a_together = RelativeAcceleration(sa, sb, together);
    const double a_any = MaxOf(a_together, kAccelerationBound);
    return MaxOf(MinOf(2.0 * tau / a_together, together), 2.0 * tau / a_any);
  }
  const double horizon = MinOf(line_entry, left);
  const double bound = horizon <= together
                           ? RelativeAcceleration(sa, sb, horizon)
                           : MaxOf(RelativeAcceleration(sa, sb, together), kAccelerationBound);
  const double advance = MinOf(ConeEntry(x0, u, kAimedRadius, 0.5 * bound * horizon), horizon);
  return advance == left ? kInfinity : advance;
}

}  // namespace

ContactSearch FirstSafeTime(double t, double distance, double speed_sum, double reach) {
  const double gap = distance - kAimedRadius;
  if (gap > reach) return {kInfinity, true};
  if (!(gap > 0.0) || !(speed_sum > 0.0)) return {t, false};
  return {t + gap / speed_sum, false};
}

bool PathCorridorMayReach(const FreePath& motion, Vec2 other) {
  return motion.Spin() == 0 || PathCorridor::Get().MayReach(motion.ToCanonical(other),
                                                            motion.CanonicalStartX(), kPathReach);
}

ContactSearch PathContactTime(const CanonicalPath& path, const FreePath& motion, double t,
                              Vec2 other, int max_steps, bool contact_at_start) {
  assert(max_steps > 0);
  double v = motion.SpeedAt(t);
  int step = 0;
  for (; step < max_steps; ++step) {
    if (!(v > 0.0)) return {kInfinity, true, step};
    const Vec2 p = motion.PositionAtSpeed(path, v);
    const Vec2 d = motion.DirectionAtSpeed(path, v);
    const Vec2 x0{p.x - other.x, p.y - other.y};
    const double distance = std::sqrt(Dot(x0, x0));
    const double gap = distance - kTwoRadii;
    // The closing speed matters only within the contact gap.
    const bool apart = gap > kContactGap;
    const double closing = apart ? 0.0 : distance > 0.0 ? -v * Dot(x0, d) / distance : v;
    if (apart || (closing > kMinClosingSpeed && gap > kContactPrecision)) {
      v = PathStep(motion, v, x0, d, kAimedRadius);  // apart, or closing in: aim at the contact
      continue;
    }
    if (closing > kMinClosingSpeed && (step > 0 || contact_at_start)) {
      return {step == 0 ? t : MaxOf(motion.TimeAtSpeed(v), t), true, step + 1};
    }
    v = MaxOf(0.0, v - kDeceleration * TouchingSafeTime(closing, kAccelerationBound));
  }
  if (!(v > 0.0)) return {kInfinity, true, step};
  return {MaxOf(motion.TimeAtSpeed(v), t), false, step};
}

ContactSearch PairContactTime(const CanonicalPath& path, const FreePath& a, const FreePath& b,
                              double t, int max_steps, bool contact_at_start) {
  assert(max_steps > 0);
  const double end = MaxOf(a.StopTime(), b.StopTime());
  const double first_stop = MinOf(a.StopTime(), b.StopTime());
  double now = t;
  int step = 0;
  for (; step < max_steps; ++step) {
    if (!(now < end)) return {kInfinity, true, step};
    const MovingStone sa = StoneAt(path, a, now);
    const MovingStone sb = StoneAt(path, b, now);
    const Vec2 x0{sa.position.x - sb.position.x, sa.position.y - sb.position.y};
    const Vec2 u{sa.speed * sa.direction.x - sb.speed * sb.direction.x,
                 sa.speed * sa.direction.y - sb.speed * sb.direction.y};
    const double distance = std::sqrt(Dot(x0, x0));
    const double gap = distance - kTwoRadii;
    const double left = end - now;
    const double together = MaxOf(0.0, first_stop - now);  // both still moving
    double advance;
    const double closing = distance > 0.0 ? -Dot(x0, u) / distance : std::sqrt(Dot(u, u));
    if (gap <= kContactGap && !(closing > kMinClosingSpeed && gap > kContactPrecision)) {
      if (closing > kMinClosingSpeed && (step > 0 || contact_at_start)) {
        return {now, true, step + 1};
      }
      // Touching and not closing in: not before the closing speed can
      // exceed the threshold.
      const double bound = RelativeAcceleration(sa, sb, together);
      advance = TouchingSafeTime(closing, bound);
      if (advance > together) {
        advance = MaxOf(together, TouchingSafeTime(closing, MaxOf(bound, kAccelerationBound)));
      }
    } else {
      advance = ApproachStep(sa, sb, x0, u, left, together);
    }
    if (!(advance < left)) return {kInfinity, true, step + 1};
    now += advance;
  }
  return {now, false, step};
}

}  // namespace curling::sim
