// The canonical free path of a stone with spin +1: heading Theta(v) and
// displacement P(v) from full speed (kMaxSpeed, heading 0) down to speed v.
// Every free path is a rotated and translated piece of it (mirrored for spin
// -1). P is tabulated once on a grid in speed and evaluated by cubic Hermite
// interpolation with exact end slopes.
#pragma once

#include <cmath>

#include "sim/physics_constants.h"

namespace curling::sim {

struct Vec2 {
  double x;
  double y;
};

// Canonical heading at speed v (closed form), 0 at kMaxSpeed.
inline double CanonicalHeading(double v) {
  constexpr double kRatio = kCurlCoefficient / kDeceleration;
  constexpr double kAtFade = kRatio * (1.0 / kCurlFadeSpeed - 1.0 / kMaxSpeed);
  if (v >= kCurlFadeSpeed) return kRatio * (1.0 / v - 1.0 / kMaxSpeed);
  return kAtFade + kRatio / (kCurlFadeSpeed * kCurlFadeSpeed) * (kCurlFadeSpeed - v);
}

// Inverse of the canonical heading: the speed at which it equals `theta`
// (between its values at kMaxSpeed and at rest).
inline double SpeedAtCanonicalHeading(double theta) {
  constexpr double kRatio = kCurlCoefficient / kDeceleration;
  const double at_fade = CanonicalHeading(kCurlFadeSpeed);
  if (theta <= at_fade) return 1.0 / (theta / kRatio + 1.0 / kMaxSpeed);
  return kCurlFadeSpeed - (theta - at_fade) * (kCurlFadeSpeed * kCurlFadeSpeed) / kRatio;
}

// Exact slope of the canonical path: dP/dv = -(v / a) (cos Theta, sin Theta).
inline Vec2 CanonicalSlope(double v) {
  const double theta = CanonicalHeading(v);
  const double scale = -v / kDeceleration;
  return {scale * std::cos(theta), scale * std::sin(theta)};
}

class CanonicalPath {
 public:
  static constexpr int kNodesPerSpeedUnit = 50;  // grid step 0.02 m/s
  static constexpr int kIntervals = static_cast<int>(kMaxSpeed) * kNodesPerSpeedUnit;

  // The one table of the library, built on first use (thread-safe).
  static const CanonicalPath& Get();

  // P(v) for spin +1; v is clamped to [0, kMaxSpeed].
  Vec2 Position(double v) const {
    const Basis b = BasisAt(v);
    const Node& n0 = nodes_[b.index];
    const Node& n1 = nodes_[b.index + 1];
    return {b.h00 * n0.px + b.h10 * n0.mx + b.h01 * n1.px + b.h11 * n1.mx,
            b.h00 * n0.py + b.h10 * n0.my + b.h01 * n1.py + b.h11 * n1.my};
  }

  // (cos Theta(v), sin Theta(v)) for spin +1, to rounding error: the node's
  // values turned by the small remaining angle (at most 0.01 rad), whose
  // cosine and sine are short Taylor series. No library trigonometry.
  Vec2 Direction(double v) const {
    if (!(v > 0.0)) v = 0.0;
    if (v > kMaxSpeed) v = kMaxSpeed;
    const Node& n = nodes_[static_cast<int>(v * kNodesPerSpeedUnit + 0.5)];
    const double d = CanonicalHeading(v) - n.theta;
    const double d2 = d * d;
    const double sin_d = d * (1.0 - d2 * (1.0 / 6.0) * (1.0 - d2 * (1.0 / 20.0)));
    const double cos_d = 1.0 - d2 * 0.5 * (1.0 - d2 * (1.0 / 12.0) * (1.0 - d2 * (1.0 / 30.0)));
    return {n.cx * cos_d - n.cy * sin_d, n.cy * cos_d + n.cx * sin_d};
  }

  // P(0), where every path of spin +1 ends: the value of Position(0.0), kept;
  // and the heading there, Direction(0.0).
  Vec2 RestPoint() const { return rest_; }
  Vec2 RestDirection() const { return rest_direction_; }

  // Node speed i / kNodesPerSpeedUnit.
  static double NodeSpeed(int i) { return static_cast<double>(i) / kNodesPerSpeedUnit; }

 private:
  CanonicalPath();

  struct alignas(64) Node {
    double px, py;  // P at the node
    double mx, my;  // its slope times the grid step
    double cx, cy;  // cos and sin of Theta at the node
    double theta;   // Theta at the node
    double unused;
  };
  struct Basis {
    int index;
    double h00, h10, h01, h11;
  };

  // Cubic Hermite basis on the grid interval holding v (clamped).
  static Basis BasisAt(double v) {
    if (!(v > 0.0)) v = 0.0;
    if (v > kMaxSpeed) v = kMaxSpeed;
    const double scaled = v * kNodesPerSpeedUnit;
    int i = static_cast<int>(scaled);
    if (i >= kIntervals) i = kIntervals - 1;
    const double u = scaled - i;
    const double u2 = u * u;
    const double u3 = u2 * u;
    return {i, 2.0 * u3 - 3.0 * u2 + 1.0, u3 - 2.0 * u2 + u, 3.0 * u2 - 2.0 * u3, u3 - u2};
  }

  Node nodes_[kIntervals + 1];
  Vec2 rest_;
  Vec2 rest_direction_;
};

// Position and heading of the canonical path for spin s in {-1, 0, +1}: the
// mirror image for -1, a straight line along +x for 0.
inline Vec2 SpinPathPosition(const CanonicalPath& path, int spin, double v) {
  if (spin == 0) {
    return {(kMaxSpeed * kMaxSpeed - v * v) / (2.0 * kDeceleration), 0.0};
  }
  Vec2 p = path.Position(v);
  if (spin < 0) p.y = -p.y;
  return p;
}

// SpinPathPosition(path, spin, 0.0), with the table's end point kept.
inline Vec2 SpinPathRestPosition(const CanonicalPath& path, int spin) {
  if (spin == 0) return SpinPathPosition(path, 0, 0.0);
  Vec2 p = path.RestPoint();
  if (spin < 0) p.y = -p.y;
  return p;
}

// SpinPathDirection(path, spin, 0.0), kept.
inline Vec2 SpinPathRestDirection(const CanonicalPath& path, int spin) {
  if (spin == 0) return {1.0, 0.0};
  Vec2 d = path.RestDirection();
  if (spin < 0) d.y = -d.y;
  return d;
}

// Unit heading vector of the canonical path for spin s at speed v.
inline Vec2 SpinPathDirection(const CanonicalPath& path, int spin, double v) {
  if (spin == 0) return {1.0, 0.0};
  Vec2 d = path.Direction(v);
  if (spin < 0) d.y = -d.y;
  return d;
}

inline double SpinPathHeading(int spin, double v) {
  return spin == 0 ? 0.0 : spin * CanonicalHeading(v);
}

}  // namespace curling::sim
