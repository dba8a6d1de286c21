// Minimum and maximum with the results of std::fmin / std::fmax (a NaN
// argument yields the other one; equal values yield the second), compiled
// inline instead of as library calls.
#pragma once

namespace curling::sim {

inline double MinOf(double a, double b) {
  if (b != b) return a;
  return a < b ? a : b;
}

inline double MaxOf(double a, double b) {
  if (b != b) return a;
  return a > b ? a : b;
}

}  // namespace curling::sim
