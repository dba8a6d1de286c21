#include "sim/canonical_path.h"

#include <cmath>

namespace curling::sim {
namespace {

// 8-point Gauss-Legendre rule on [-1, 1].
constexpr double kGaussNodes[8] = {-0.9602898564975363, -0.7966664774136267, -0.5255324099163290,
                                   -0.1834346424956498, 0.1834346424956498,  0.5255324099163290,
                                   0.7966664774136267,  0.9602898564975363};
constexpr double kGaussWeights[8] = {0.1012285362903763, 0.2223810344533745, 0.3137066458778873,
                                     0.3626837833783620, 0.3626837833783620, 0.3137066458778873,
                                     0.2223810344533745, 0.1012285362903763};

// Integral of the path's tangent (v / a)(cos Theta, sin Theta) over [lo, hi].
// The grid has a node at the curl fade speed, so Theta is smooth inside.
Vec2 IntegrateInterval(double lo, double hi) {
  const double half = 0.5 * (hi - lo);
  const double mid = 0.5 * (hi + lo);
  Vec2 sum{0.0, 0.0};
  for (int k = 0; k < 8; ++k) {
    const Vec2 slope = CanonicalSlope(mid + half * kGaussNodes[k]);
    sum.x -= kGaussWeights[k] * slope.x;
    sum.y -= kGaussWeights[k] * slope.y;
  }
  return {sum.x * half, sum.y * half};
}

}  // namespace

static_assert(CanonicalPath::kNodesPerSpeedUnit * 3 % 10 == 0,
              "the curl fade speed must be a grid node");

CanonicalPath::CanonicalPath() {
  constexpr double kStep = 1.0 / kNodesPerSpeedUnit;
  Vec2 p{0.0, 0.0};  // P(kMaxSpeed) = 0
  for (int i = kIntervals; i >= 0; --i) {
    if (i < kIntervals) {
      const Vec2 piece = IntegrateInterval(NodeSpeed(i), NodeSpeed(i + 1));
      p.x += piece.x;
      p.y += piece.y;
    }
    const double v = NodeSpeed(i);
    const Vec2 slope = CanonicalSlope(v);
    const double theta = CanonicalHeading(v);
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    nodes_[i] = {p.x, p.y, slope.x * kStep, slope.y * kStep, c, s, theta, 0.0};
  }
  rest_ = Position(0.0);
  rest_direction_ = Direction(0.0);
}

const CanonicalPath& CanonicalPath::Get() {
  static const CanonicalPath path;
  return path;
}

}  // namespace curling::sim
