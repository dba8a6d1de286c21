// The result of an end for one side, as the learned value counts it: the
// points that side scores (negative: the opponent scores), clipped to
// kEndResultMin..kEndResultMax, one class each.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>

namespace curling {

inline constexpr int kEndResultMin = -5;
inline constexpr int kEndResultMax = 5;
inline constexpr int kEndResultCount = kEndResultMax - kEndResultMin + 1;

// Probabilities of the classes kEndResultMin..kEndResultMax, in that order.
using EndResultDistribution = std::array<double, kEndResultCount>;

inline int EndResultClass(int points) {
  return std::clamp(points, kEndResultMin, kEndResultMax) - kEndResultMin;
}

inline int EndResultPoints(int result_class) {
  assert(result_class >= 0 && result_class < kEndResultCount);
  return result_class + kEndResultMin;
}

// The same distribution seen by the other side: +k for one is -k for the other.
inline EndResultDistribution SwapSides(const EndResultDistribution& p) {
  static_assert(kEndResultMin == -kEndResultMax, "the classes must be symmetric");
  EndResultDistribution swapped{};
  for (int c = 0; c < kEndResultCount; ++c)
    swapped[static_cast<size_t>(kEndResultCount - 1 - c)] = p[static_cast<size_t>(c)];
  return swapped;
}

}  // namespace curling
