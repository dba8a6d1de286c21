#include "sim/delivery_error.h"

#include <cmath>

namespace curling::sim {
namespace {

// Turns a unit vector by `angle` radians. Small angles (every error that
// play uses) take short series for the cosine and sine, exact to rounding.
Vec2 Rotated(Vec2 d, double angle) {
  double c;
  double s;
  if (std::fabs(angle) <= 0.05) {
    const double a2 = angle * angle;
    s = angle * (1.0 - a2 / 6.0 * (1.0 - a2 / 20.0 * (1.0 - a2 / 42.0 * (1.0 - a2 / 72.0))));
    c = 1.0 - a2 / 2.0 * (1.0 - a2 / 12.0 * (1.0 - a2 / 30.0 * (1.0 - a2 / 56.0)));
  } else {
    c = std::cos(angle);
    s = std::sin(angle);
  }
  return {d.x * c - d.y * s, d.y * c + d.x * s};
}

// The straight distance from the start of a free path at speed v to its rest
// point.
double ReachToRest(const CanonicalPath& path, double v, int spin) {
  const Vec2 rest = SpinPathRestPosition(path, spin);
  const Vec2 start = SpinPathPosition(path, spin, v);
  const double dx = rest.x - start.x;
  const double dy = rest.y - start.y;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

void ApplyDeliveryError(const CanonicalPath& path, int spin, double error, CounterRandom& random,
                        LaunchVelocity& launch) {
  if (!(error > 0.0) || !std::isfinite(error)) return;
  double along = 0.0;
  double across = 0.0;
  random.NextNormalPair(along, across);
  along *= error;
  across *= error;

  const double reach = ReachToRest(path, launch.speed, spin);
  if (reach > 0.0) launch.direction = Rotated(launch.direction, across / reach);
  const double squared = launch.speed * launch.speed + 2.0 * kDeceleration * along;
  double speed = squared > 0.0 ? std::sqrt(squared) : 0.0;
  if (!(speed <= kMaxSpeed)) speed = kMaxSpeed;
  launch.speed = speed;
}

}  // namespace curling::sim
