// The random delivery error: a draw along the path lengthens or shortens it, a
// draw across turns the heading about the delivery point, both of standard
// deviation `error` metres measured at the unobstructed rest point.
#pragma once

#include "sim/canonical_path.h"
#include "sim/counter_random.h"

namespace curling::sim {

// A delivery as it is launched: speed and unit direction.
struct LaunchVelocity {
  double speed;
  Vec2 direction;
};

// Applies the error to `launch` (speed already clamped to kMaxSpeed). An
// error that is zero, negative or not finite leaves it unchanged and draws
// nothing. A negative squared speed gives speed 0 (never starts).
void ApplyDeliveryError(const CanonicalPath& path, int spin, double error, CounterRandom& random,
                        LaunchVelocity& launch);

}  // namespace curling::sim
