// When a stone on a free path first touches a stone at rest.
#pragma once

#include "sim/free_path.h"
#include "sim/path_extent.h"

namespace curling::sim {

// From time `t`, when the moving stone is at `pos`: the time at which its gap
// to the stone at rest at `other` first falls to the contact gap while
// closing, or an earlier time up to which the gap certainly stays larger; +inf
// if they never touch before the moving stone stops. Never earlier than t.
//
// Marches along the path in steps that cannot skip a contact: the gap changes
// at most as fast as the arc length, and its second derivative along the arc
// is at least minus the path's curvature, which is largest at the lowest
// speed of the step. Straight paths are solved in closed form.
double PathContactTime(const CanonicalPath& path, const FreePath& motion, const PathExtent& extent,
                       double t, Vec2 pos, Vec2 other);

}  // namespace curling::sim
