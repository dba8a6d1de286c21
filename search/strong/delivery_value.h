// A delivery judged by the learned position value instead of a rollout: the
// delivery played once with the modelled error, and the position it leaves
// judged by the network at the next shot, seen from the opponent (who throws
// next) and turned round. After the last stone of the end nothing is left to
// judge: the end is counted.
#pragma once

#include <cstdint>
#include <span>

#include "curling_simulator/records.h"
#include "eval/end_result.h"
#include "eval/value_network.h"
#include "search/strong/delivery_error_model.h"
#include "search/strong/game_situation.h"

namespace curling::strong {

// The distribution of the end's result for `side` from `after`, the position
// a delivery of `side` left (ShotNum 1 to 16): the count itself when the end
// is over (ShotNum 16; `network` may then be null), else the network's at the
// next shot, turned round.
EndResultDistribution ResultsAfterDelivery(const GameState& after, int side,
                                           const ValueNetwork* network);

struct DeliveryValueSetup {
  GameState start;          // the position before the delivery, ShotNum 0 to 15
  GameSituation situation;  // of the side to throw at the start
  DeliveryErrorModel error;
  const ValueNetwork& network;
};

// One delivery of a search: the shot as aimed, and the key of the stream its
// error is drawn from (the same draws as a rollout with that key meets on its
// first stone).
struct DeliverySample {
  ShotVector shot;
  uint64_t key = 0;
};

// after[i]: the position after samples[i] played from `start` with its error.
// The library plays them together, checking the stones of `start` once.
void PlayDeliveries(const GameState& start, const DeliveryErrorModel& error,
                    std::span<const DeliverySample> samples, GameState* after);

// values[i]: the value (EndValue's scale) of samples[i] for the side to throw
// at the start: the exact count of the end after the last stone, else the
// chance to win expected over the network's distribution at the next shot.
void JudgeDeliveries(const DeliveryValueSetup& setup, std::span<const DeliverySample> samples,
                     double* values);

}  // namespace curling::strong
