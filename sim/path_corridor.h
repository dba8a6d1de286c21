// Whether a stone at rest can lie within reach of a curling path, from two
// table reads. The canonical path of spin +1 is a graph y = F(x): its heading
// stays between 0 and 0.6 rad, so both x and y grow along it. The points of a
// path within `reach` of a point c have x within reach of c.x, hence y
// between F(c.x - reach) and F(c.x + reach); F is tabulated at fixed steps of
// x back from the rest point, and rounding the x range outward to the table's
// steps keeps the test conservative.
#pragma once

#include "sim/canonical_path.h"

namespace curling::sim {

class PathCorridor {
 public:
  static constexpr double kStep = 1.0 / 16.0;  // metres of x per table entry
  static constexpr double kLength = 100.0;     // x covered back from the rest point
  static constexpr int kEntries = static_cast<int>(kLength / kStep) + 1;

  // The one table of the library, built on first use (thread-safe).
  static const PathCorridor& Get();

  // Whether the point `c`, in the frame of the canonical path of spin +1, can
  // lie within `reach` of that path between x = `x_start` and its rest point.
  // False only when it certainly cannot.
  bool MayReach(Vec2 c, double x_start, double reach) const;

 private:
  explicit PathCorridor(const CanonicalPath& path);

  double rest_x_;
  float y_[kEntries];  // F(rest x - i * kStep), rounded to float
};

}  // namespace curling::sim
