#include "search/strong/delivery_value.h"

#include <cassert>

#include "eval/position_features.h"
#include "eval/scoring.h"
#include "game/rink.h"
#include "game/simulator_binding.h"
#include "search/strong/noise_stream.h"

namespace curling::strong {

EndResultDistribution ResultsAfterDelivery(const GameState& after, int side,
                                           const ValueNetwork* network) {
  assert(after.ShotNum >= 1 && after.ShotNum <= kStoneCount);
  if (after.ShotNum >= kStoneCount) {
    EndResultDistribution counted{};
    counted[static_cast<size_t>(EndResultClass(ScorePosition(after, side)))] = 1.0;
    return counted;
  }
  assert(SideToThrow(after.ShotNum) != side);
  assert(network != nullptr);
  return SwapSides(network->Predict(FeaturesOf(after)));
}

GameState PlayDelivery(const GameState& start, const DeliveryErrorModel& error,
                       const ShotVector& shot, uint64_t key) {
  assert(start.ShotNum >= 0 && start.ShotNum < kStoneCount);
  NoiseStream noise(key);
  GameState state = start;
  Simulation(&state, error.Apply(shot, noise), 0.0f, nullptr, -1);
  assert(state.ShotNum == start.ShotNum + 1);
  return state;
}

double JudgeDelivery(const DeliveryValueSetup& setup, const ShotVector& shot, uint64_t key) {
  const int side = SideToThrow(setup.start.ShotNum);
  const GameState after = PlayDelivery(setup.start, setup.error, shot, key);
  if (after.ShotNum >= kStoneCount) return EndValue(setup.situation, side, after);
  return ExpectedEndValue(setup.situation, side, ResultsAfterDelivery(after, side, &setup.network));
}

}  // namespace curling::strong
