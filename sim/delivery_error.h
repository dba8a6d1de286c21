// The random delivery error: a draw along the path lengthens or shortens it, a
// draw across turns the heading about the delivery point, both of standard
// deviation `error` metres measured at the unobstructed rest point.
#pragma once

#include "sim/canonical_path.h"
#include "sim/counter_random.h"
#include "sim/inverse_shots.h"

namespace curling::sim {

// Applies the error to `delivery` (speed already clamped to kMaxSpeed). An
// error that is zero, negative or not finite leaves the delivery unchanged
// and draws nothing. A negative squared speed gives speed 0 (never starts).
void ApplyDeliveryError(const CanonicalPath& path, int spin, double error, CounterRandom& random,
                        Delivery& delivery);

}  // namespace curling::sim
