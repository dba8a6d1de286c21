// Positions to learn from, at a given shot of an end: most played out from an
// empty sheet by the strong search's fast policy for both sides (now and then
// a candidate delivery of the search's generator instead), under the delivery
// error, so that they look like what games reach; the rest stones placed at
// random in the house and the guard zone, so that rarer layouts are seen too.
#pragma once

#include <cstdint>

#include "curling_simulator/records.h"
#include "search/strong/delivery_error_model.h"
#include "search/strong/rollout_policy.h"

namespace curling::learn {

struct PositionMix {
  double random_share = 0.25;     // of positions placed at random
  double candidate_share = 0.25;  // of played shots taken from the candidate generator
};

class PositionSampler {
 public:
  // Calls the library (the policy's deliveries, the sheet's deceleration).
  PositionSampler(const PositionMix& mix, const strong::DeliveryErrorModel& error);

  // A position with `shot` stones thrown (0 to 15), ShotNum `shot`, from the
  // draws keyed by `key` alone. Safe from any thread.
  GameState Sample(int shot, uint64_t key) const;

 private:
  GameState PlayedOut(int shot, uint64_t key) const;
  GameState Placed(int shot, uint64_t key) const;

  PositionMix mix_;
  strong::DeliveryErrorModel error_;
  strong::ShotBook book_;
};

}  // namespace curling::learn
