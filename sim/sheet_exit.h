// When a free path leaves play: its centre comes within a radius of a side
// line, passes wholly beyond the back line, or passes beyond the delivery
// point (a stone knocked back up the sheet, or delivered backwards).
#pragma once

#include "sim/free_path.h"
#include "sim/path_extent.h"

namespace curling::sim {

enum class ExitKind { kNone, kSide, kBack, kDeliveryEnd };

struct PathExit {
  ExitKind kind = ExitKind::kNone;
  double time = 0.0;  // absolute time of leaving, valid unless kNone
};

// The first exit along the whole remaining path (from its start to rest).
// Exact up to root-finding tolerance: each coordinate is monotone on either
// side of its split speed. `extent` must be that of `motion`.
PathExit FindPathExit(const CanonicalPath& path, const FreePath& motion, const PathExtent& extent);

}  // namespace curling::sim
