// Inverse problems on an empty sheet: the delivery (speed and heading from the
// delivery point) whose free path rests at, or passes through, a given point.
#pragma once

#include "sim/canonical_path.h"

namespace curling::sim {

struct Delivery {
  double speed;
  double heading;  // radians, x-right y-up frame
};

// Chord length of a free path from speed `v0` down to speed `v_end` (<= v0):
// the straight distance covered. Spin +1 and -1 give the same length.
double PathChord(const CanonicalPath& path, double v0, double v_end, int spin);

// The delivery with spin `spin` (-1, 0 or +1) that passes the point `offset`
// (relative to the delivery point) at speed `v_end`; v_end = 0 is a draw to
// rest there. False when the inputs are not finite or no speed up to kMaxSpeed
// reaches that far.
bool SolveDelivery(const CanonicalPath& path, Vec2 offset, double v_end, int spin, Delivery& out);

// Speed that still runs `power` metres on an empty sheet; 0 for power <= 0.
double SpeedForRemainingRun(double power);

}  // namespace curling::sim
