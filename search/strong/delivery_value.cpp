#include "search/strong/delivery_value.h"

#include <algorithm>
#include <array>
#include <cassert>

#include "eval/position_features.h"
#include "eval/scoring.h"
#include "game/rink.h"
#include "game/simulator_binding.h"
#include "search/strong/noise_stream.h"

namespace curling::strong {
namespace {

// Deliveries played together at most, in buffers on the stack.
constexpr size_t kPiece = 32;

}  // namespace

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

void PlayDeliveries(const GameState& start, const DeliveryErrorModel& error,
                    std::span<const DeliverySample> samples, GameState* after) {
  assert(start.ShotNum >= 0 && start.ShotNum < kStoneCount);
  // The shots with their errors, a piece at a time: no allocation per call.
  std::array<ShotVector, kPiece> played;
  for (size_t first = 0; first < samples.size(); first += kPiece) {
    const size_t count = std::min(kPiece, samples.size() - first);
    for (size_t i = 0; i < count; ++i) {
      NoiseStream noise(samples[first + i].key);
      played[i] = error.Apply(samples[first + i].shot, noise);
    }
    SimulateWithoutError(start, played.data(), static_cast<int>(count), after + first);
  }
  for (size_t i = 0; i < samples.size(); ++i)
    assert(after[i].ShotNum == start.ShotNum + 1);
}

void JudgeDeliveries(const DeliveryValueSetup& setup, std::span<const DeliverySample> samples,
                     double* values) {
  const int side = SideToThrow(setup.start.ShotNum);
  std::array<GameState, kPiece> after;
  for (size_t first = 0; first < samples.size(); first += kPiece) {
    const size_t count = std::min(kPiece, samples.size() - first);
    PlayDeliveries(setup.start, setup.error, samples.subspan(first, count), after.data());
    for (size_t i = 0; i < count; ++i) {
      values[first + i] =
          after[i].ShotNum >= kStoneCount
              ? EndValue(setup.situation, side, after[i])
              : ExpectedEndValue(setup.situation, side,
                                 ResultsAfterDelivery(after[i], side, &setup.network));
    }
  }
}

}  // namespace curling::strong
