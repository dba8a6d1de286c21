// Where a free path can go: a box that holds the whole path from its start to
// rest, and the speeds at which its coordinates are extreme.
#pragma once

#include "sim/free_path.h"

namespace curling::sim {

struct PathExtent {
  Vec2 rest;  // position at rest
  Vec2 lo;    // a box holding the whole path
  Vec2 hi;
};

PathExtent FindPathExtent(const CanonicalPath& path, const FreePath& motion);

// The speed in (0, v0) at which the path's x (axis 0) or y (axis 1) is
// extreme, or -1 if it has none there. Each coordinate is monotone on either
// side of it: the heading turns monotonically by less than pi, so it is
// parallel to an axis at most once.
double SplitSpeed(const CanonicalPath& path, const FreePath& motion, int axis);

}  // namespace curling::sim
