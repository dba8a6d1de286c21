// Where a free path can go: the speeds at which its coordinates are extreme
// and the bounding box of the whole path from its start to rest.
#pragma once

#include "sim/free_path.h"

namespace curling::sim {

struct PathExtent {
  // Speed in (0, v0) at which x (index 0) or y (index 1) is extreme, or -1.
  // Each coordinate is monotone on either side of it: the heading turns
  // monotonically by less than pi, so it is parallel to an axis at most once.
  double split_speed[2];
  Vec2 split_pos[2];  // positions at those speeds
  Vec2 rest;          // position at rest
  Vec2 lo;            // bounding box of the path
  Vec2 hi;
};

PathExtent FindPathExtent(const CanonicalPath& path, const FreePath& motion);

}  // namespace curling::sim
