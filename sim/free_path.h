// One free path of a stone: from a start position, speed, heading and spin,
// its position, velocity and heading at any later time until it stops.
#pragma once

#include <cmath>

#include "sim/canonical_path.h"

namespace curling::sim {

class FreePath {
 public:
  // Meaningful only after Start.
  FreePath() = default;

  // Starts a path at time `t0`. A non-positive speed gives a stone at rest.
  void Start(const CanonicalPath& path, double t0, Vec2 position, double speed, double heading,
             int spin) {
    t0_ = t0;
    start_ = position;
    spin_ = spin;
    heading0_ = heading;
    speed0_ = speed > 0.0 ? (speed < kMaxSpeed ? speed : kMaxSpeed) : 0.0;
    stop_time_ = t0 + speed0_ / kDeceleration;
    canonical_heading0_ = SpinPathHeading(spin, speed0_);
    const double turn = heading - canonical_heading0_;
    cos_ = std::cos(turn);
    sin_ = std::sin(turn);
    canonical0_ = SpinPathPosition(path, spin, speed0_);
  }

  double StartTime() const { return t0_; }
  double StopTime() const { return stop_time_; }
  double StartSpeed() const { return speed0_; }
  int Spin() const { return spin_; }
  Vec2 StartPosition() const { return start_; }

  double SpeedAt(double t) const {
    const double v = speed0_ - kDeceleration * (t - t0_);
    return v > 0.0 ? v : 0.0;
  }

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

  // Position and unit heading vector at speed v (spin != 0).
  void PositionAndDirectionAtSpeed(const CanonicalPath& path, double v, Vec2& position,
                                   Vec2& direction) const {
    Vec2 p;
    Vec2 d;
    path.PositionAndDirection(v, p, d);
    if (spin_ < 0) {
      p.y = -p.y;
      d.y = -d.y;
    }
    const double dx = p.x - canonical0_.x;
    const double dy = p.y - canonical0_.y;
    position = {start_.x + cos_ * dx - sin_ * dy, start_.y + sin_ * dx + cos_ * dy};
    direction = {cos_ * d.x - sin_ * d.y, sin_ * d.x + cos_ * d.y};
  }

  // Unit heading vector at speed v, from the table (exact to rounding).
  Vec2 DirectionAtSpeed(const CanonicalPath& path, double v) const {
    if (spin_ == 0) return {cos_, sin_};
    Vec2 d = path.Direction(v);
    if (spin_ < 0) d.y = -d.y;
    return {cos_ * d.x - sin_ * d.y, sin_ * d.x + cos_ * d.y};
  }

  double HeadingAtSpeed(double v) const {
    return heading0_ + (SpinPathHeading(spin_, v) - canonical_heading0_);
  }

  // Velocity at time t (heading from the table, exact to rounding).
  Vec2 VelocityAt(const CanonicalPath& path, double t) const {
    const double v = SpeedAt(t);
    if (v <= 0.0) return {0.0, 0.0};
    const Vec2 d = DirectionAtSpeed(path, v);
    return {v * d.x, v * d.y};
  }

 private:
  // A point of the canonical path for this spin, turned and moved onto this path.
  Vec2 FromCanonical(Vec2 p) const {
    const double dx = p.x - canonical0_.x;
    const double dy = p.y - canonical0_.y;
    return {start_.x + cos_ * dx - sin_ * dy, start_.y + sin_ * dx + cos_ * dy};
  }

  double t0_;
  Vec2 start_;
  int spin_;
  double heading0_;
  double speed0_;
  double stop_time_;
  double canonical_heading0_;
  double cos_;
  double sin_;
  Vec2 canonical0_;
};

}  // namespace curling::sim
