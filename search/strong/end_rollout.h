// One rollout: a delivery played with the modelled error, then the rest of
// the end by the rollout policy, judged by the chance to win it leaves.
#pragma once

#include <cstdint>

#include "curling_simulator/records.h"
#include "search/strong/delivery_error_model.h"
#include "search/strong/game_situation.h"
#include "search/strong/rollout_policy.h"

namespace curling::strong {

struct RolloutSetup {
  GameState start;          // the position before the delivery, ShotNum 0 to 15
  GameSituation situation;  // of the side to throw at the start
  DeliveryErrorModel error;
  ShotBook book;
};

// The value of the finished end for the side to throw at the start. Every
// random draw comes from the stream keyed by `key`, the delivery's error
// first: so rollouts of different deliveries with the same key meet the same
// error on their first stone.
double PlayOutEnd(const RolloutSetup& setup, const ShotVector& shot, uint64_t key);

}  // namespace curling::strong
