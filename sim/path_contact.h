// When a stone on a free path first touches a stone at rest.
#pragma once

#include "sim/free_path.h"
#include "sim/path_extent.h"

namespace curling::sim {

struct ContactSearch {
  double time;  // never earlier than the search's start
  bool final;   // time is the contact (+inf: none); else only a safe time
};

// From time `t`, when the moving stone is at `pos`: the time at which its gap
// to the stone at rest at `other` first falls to the contact gap while
// closing, or +inf if they never touch before the moving stone stops (final);
// or, after `max_steps` steps of the search, a time up to which the gap
// certainly stays larger, from which the search can be resumed. A lazy first
// step only uses the distance (no table lookup): a cheap first bound.
//
// Marches along the path in steps that cannot skip a contact: the gap changes
// at most as fast as the arc length, and its second derivative along the arc
// is at least minus the path's curvature, which is largest at the lowest
// speed of the step. Straight paths are solved in closed form.
ContactSearch PathContactTime(const CanonicalPath& path, const FreePath& motion,
                              const PathExtent& extent, double t, Vec2 pos, Vec2 other,
                              int max_steps, bool lazy_first_step);

}  // namespace curling::sim
