#include "sim/delivery_error.h"

#include <cmath>

namespace curling::sim {

void ApplyDeliveryError(const CanonicalPath& path, int spin, double error, CounterRandom& random,
                        Delivery& delivery) {
  if (!(error > 0.0) || !std::isfinite(error)) return;
  double along = 0.0;
  double across = 0.0;
  random.NextNormalPair(along, across);
  along *= error;
  across *= error;

  const double reach = PathChord(path, delivery.speed, 0.0, spin);
  if (reach > 0.0) delivery.heading += across / reach;
  const double squared = delivery.speed * delivery.speed + 2.0 * kDeceleration * along;
  double speed = squared > 0.0 ? std::sqrt(squared) : 0.0;
  if (!(speed <= kMaxSpeed)) speed = kMaxSpeed;
  delivery.speed = speed;
}

}  // namespace curling::sim
