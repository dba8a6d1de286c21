#include "sim/path_corridor.h"

#include <cassert>
#include <cmath>

namespace curling::sim {
namespace {

// Covers the rounding of the table to float (y stays below 10 m) and of the
// interpolated path, with a wide margin.
constexpr double kMargin = 1e-5;

// The squared speed at which the canonical path's x equals `x`, by Newton in
// the squared speed (in which x is nearly linear), from `q` and safeguarded
// by the bracket [0, kMaxSpeed^2].
double SquaredSpeedAtX(const CanonicalPath& path, double x, double q) {
  double lo = 0.0;
  double hi = kMaxSpeed * kMaxSpeed;
  for (int it = 0; it < 60; ++it) {
    const double v = std::sqrt(q);
    const double f = path.Position(v).x - x;  // x falls as the speed grows
    if (std::fabs(f) < 1e-11) break;
    if (f > 0.0) {
      lo = q;
    } else {
      hi = q;
    }
    // dx/d(v^2) = -cos(Theta) / (2a)
    const double slope = -path.Direction(v).x / (2.0 * kDeceleration);
    double next = q - f / slope;
    if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
    q = next;
  }
  return q;
}

}  // namespace

PathCorridor::PathCorridor(const CanonicalPath& path) : rest_x_(path.RestPoint().x) {
  double q = 0.0;
  for (int i = 0; i < kEntries; ++i) {
    q = SquaredSpeedAtX(path, rest_x_ - i * kStep, q);
    y_[i] = static_cast<float>(path.Position(std::sqrt(q)).y);
  }
}

const PathCorridor& PathCorridor::Get() {
  static const PathCorridor corridor(CanonicalPath::Get());
  return corridor;
}

bool PathCorridor::MayReach(Vec2 c, double x_start, double reach) const {
  reach += kMargin;
  if (c.x - reach > rest_x_ || c.x + reach < x_start) return false;
  // Table indices count back from the rest point: the upper end of the x
  // range rounds down to an index (toward the rest point, larger y) and the
  // lower end up (smaller y).
  const double back_hi = (rest_x_ - (c.x + reach)) / kStep;
  const double back_lo = (rest_x_ - (c.x - reach)) / kStep;
  if (!(back_lo < kEntries - 1)) return true;  // beyond the table: no answer
  const int near_rest = back_hi > 0.0 ? static_cast<int>(back_hi) : 0;
  const int far = static_cast<int>(std::ceil(back_lo));
  assert(near_rest <= far && far < kEntries);
  return c.y <= y_[near_rest] + reach && c.y >= y_[far] - reach;
}

}  // namespace curling::sim
