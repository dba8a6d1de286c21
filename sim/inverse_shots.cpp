#include "sim/inverse_shots.h"

#include <cmath>

#include "sim/system_math.h"

namespace curling::sim {
namespace {

constexpr int kMaxIterations = 100;
constexpr double kDistanceTolerance = 1e-9;  // metres, well under the required 1e-7

Vec2 ChordVector(const CanonicalPath& path, double v0, double v_end, int spin) {
  const Vec2 end =
      v_end == 0.0 ? SpinPathRestPosition(path, spin) : SpinPathPosition(path, spin, v_end);
  const Vec2 start = SpinPathPosition(path, spin, v0);
  return {end.x - start.x, end.y - start.y};
}

}  // namespace

double PathChord(const CanonicalPath& path, double v0, double v_end, int spin) {
  const Vec2 d = ChordVector(path, v0, v_end, spin);
  return Hypot(d.x, d.y);
}

double SpeedForRemainingRun(double power) {
  return power > 0.0 ? std::sqrt(2.0 * kDeceleration * power) : 0.0;
}

bool SolveDelivery(const CanonicalPath& path, Vec2 offset, double v_end, int spin, Delivery& out) {
  out = {0.0, 0.0};
  if (!std::isfinite(offset.x) || !std::isfinite(offset.y) || !std::isfinite(v_end)) return false;
  if (v_end < 0.0 || v_end > kMaxSpeed) return false;
  const double target = Hypot(offset.x, offset.y);
  if (!std::isfinite(target)) return false;

  // The chord grows monotonically with the start speed: safeguarded Newton
  // on the bracket [v_end, kMaxSpeed].
  double lo = v_end;
  double hi = kMaxSpeed;
  if (PathChord(path, hi, v_end, spin) < target - kDistanceTolerance) return false;
  double v = 0.5 * (lo + hi);
  if (target > 0.0) {
    // Start from the straight-path estimate.
    const double guess = std::sqrt(v_end * v_end + 2.0 * kDeceleration * target);
    if (guess > lo && guess < hi) v = guess;
    for (int it = 0; it < kMaxIterations; ++it) {
      const Vec2 d = ChordVector(path, v, v_end, spin);
      const double chord = Hypot(d.x, d.y);
      const double f = chord - target;
      if (std::fabs(f) <= kDistanceTolerance) break;
      if (f < 0.0) {
        lo = v;
      } else {
        hi = v;
      }
      // d(chord)/dv0 = (d / |d|) . tangent(v0), tangent = -dP/dv.
      const Vec2 slope = spin == 0 ? Vec2{-v / kDeceleration, 0.0} : CanonicalSlope(v);
      const double tx = -slope.x;
      const double ty = spin < 0 ? slope.y : -slope.y;
      const double derivative = chord > 0.0 ? (d.x * tx + d.y * ty) / chord : 0.0;
      double next = derivative > 0.0 ? v - f / derivative : 0.5 * (lo + hi);
      if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
      if (hi - lo <= 1e-15 * hi) break;
      v = next;
    }
  } else {
    v = v_end;
  }

  const Vec2 d = ChordVector(path, v, v_end, spin);
  const double aim_angle =
      target > 0.0 ? std::atan2(offset.y, offset.x) : -0.5 * 3.141592653589793238462643383279502884;
  const double chord_angle = (d.x != 0.0 || d.y != 0.0) ? std::atan2(d.y, d.x) : 0.0;
  out.speed = v;
  out.heading = aim_angle - chord_angle + SpinPathHeading(spin, v);
  return true;
}

}  // namespace curling::sim
