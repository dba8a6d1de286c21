// One free path of a stone: from a start position, speed, direction and spin,
// its position, velocity and heading at any later time until it stops. The
// path is the canonical path of its spin, turned and moved so that it starts
// here: the turn is kept as a unit vector (cosine and sine), built from the
// direction vectors without trigonometry.
#pragma once

#include <cassert>
#include <cmath>

#include "sim/canonical_path.h"

namespace curling::sim {

class FreePath {
 public:
  // Meaningful only after Start.
  FreePath() = default;

  // Starts a path at time `t0` at `speed` (> 0, at most kMaxSpeed) along the
  // unit vector `direction`.
  void Start(const CanonicalPath& path, double t0, Vec2 position, Vec2 direction, double speed,
             int spin) {
    assert(speed > 0.0 && speed <= kMaxSpeed);
    assert(spin >= -1 && spin <= 1);
    assert(std::fabs(direction.x * direction.x + direction.y * direction.y - 1.0) < 1e-12);
    t0_ = t0;
    start_ = position;
    direction0_ = direction;
    spin_ = spin;
    speed0_ = speed;
    stop_time_ = t0 + speed / kDeceleration;
    // The turn takes the canonical direction at this speed onto `direction`.
    const Vec2 c = SpinPathDirection(path, spin, speed);
    turn_ = {direction.x * c.x + direction.y * c.y, direction.y * c.x - direction.x * c.y};
    canonical0_ = SpinPathPosition(path, spin, speed);
  }

  double StartTime() const { return t0_; }
  double StopTime() const { return stop_time_; }
  double StartSpeed() const { return speed0_; }
  int Spin() const { return spin_; }
  Vec2 StartPosition() const { return start_; }
  Vec2 StartDirection() const { return direction0_; }
  // The x of the start in the frame of ToCanonical.
  double CanonicalStartX() const { return canonical0_.x; }

  double SpeedAt(double t) const {
    const double v = speed0_ - kDeceleration * (t - t0_);
    return v > 0.0 ? v : 0.0;
  }
  // The time at which the speed has fallen to v (<= the start speed).
  double TimeAtSpeed(double v) const { return t0_ + (speed0_ - v) / kDeceleration; }

  Vec2 PositionAtSpeed(const CanonicalPath& path, double v) const {
    return FromCanonical(SpinPathPosition(path, spin_, v));
  }

  Vec2 PositionAt(const CanonicalPath& path, double t) const {
    return PositionAtSpeed(path, SpeedAt(t));
  }

  // PositionAtSpeed(path, 0.0), from the table's kept end point.
  Vec2 RestPosition(const CanonicalPath& path) const {
    return FromCanonical(SpinPathRestPosition(path, spin_));
  }

  // Unit heading vector at speed v, from the table (exact to rounding).
  Vec2 DirectionAtSpeed(const CanonicalPath& path, double v) const {
    return Turned(SpinPathDirection(path, spin_, v));
  }

  // The heading at rest, DirectionAtSpeed(path, 0.0).
  Vec2 RestDirection(const CanonicalPath& path) const {
    return Turned(SpinPathRestDirection(path, spin_));
  }

  // Velocity at time t (zero once stopped).
  Vec2 VelocityAt(const CanonicalPath& path, double t) const {
    const double v = SpeedAt(t);
    if (v <= 0.0) return {0.0, 0.0};
    const Vec2 d = DirectionAtSpeed(path, v);
    return {v * d.x, v * d.y};
  }

  // The turn from the canonical path's frame to this path's, as (cos, sin).
  Vec2 Turn() const { return turn_; }

  // How far (radians) the heading turns between speeds v_from >= v_to.
  double TurnBetween(double v_from, double v_to) const {
    return spin_ == 0 ? 0.0 : CanonicalHeading(v_to) - CanonicalHeading(v_from);
  }

  // A point in the frame of the canonical path of spin +1 (the mirror image
  // for spin -1): where the path's own points come from.
  Vec2 ToCanonical(Vec2 p) const {
    const double dx = p.x - start_.x;
    const double dy = p.y - start_.y;
    const Vec2 c{canonical0_.x + turn_.x * dx + turn_.y * dy,
                 canonical0_.y - turn_.y * dx + turn_.x * dy};
    return spin_ < 0 ? Vec2{c.x, -c.y} : c;
  }

 private:
  Vec2 Turned(Vec2 d) const {
    return {turn_.x * d.x - turn_.y * d.y, turn_.y * d.x + turn_.x * d.y};
  }

  // A point of the canonical path for this spin, turned and moved onto this path.
  Vec2 FromCanonical(Vec2 p) const {
    const Vec2 d = Turned({p.x - canonical0_.x, p.y - canonical0_.y});
    return {start_.x + d.x, start_.y + d.y};
  }

  double t0_;
  Vec2 start_;
  Vec2 direction0_;
  int spin_;
  double speed0_;
  double stop_time_;
  Vec2 turn_;        // (cos, sin) of the angle from the canonical path to this one
  Vec2 canonical0_;  // the canonical path's point at the start speed
};

}  // namespace curling::sim
