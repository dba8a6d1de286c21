#include "learn/position_labeller.h"

#include <cassert>
#include <vector>

#include "game/rink.h"
#include "search/strong/candidate_shots.h"
#include "search/strong/delivery_value.h"
#include "search/strong/noise_stream.h"

namespace curling::learn {
namespace {

// The mean distribution of `samples` deliveries of `shot`, played together.
EndResultDistribution MeanResults(const GameState& state, const LabelSetup& setup,
                                  const ShotVector& shot, uint64_t key) {
  const int side = SideToThrow(state.ShotNum);
  std::vector<strong::DeliverySample> samples;
  for (int s = 0; s < setup.samples; ++s)
    samples.push_back({shot, strong::CombineKeys(key, static_cast<uint64_t>(s))});
  std::vector<GameState> after(samples.size());
  strong::PlayDeliveries(state, setup.error, samples, after.data());
  EndResultDistribution mean{};
  for (const GameState& position : after) {
    const EndResultDistribution results =
        strong::ResultsAfterDelivery(position, side, setup.network);
    for (int c = 0; c < kEndResultCount; ++c)
      mean[static_cast<size_t>(c)] += results[static_cast<size_t>(c)] / setup.samples;
  }
  return mean;
}

}  // namespace

PositionLabel LabelPosition(const GameState& state, const LabelSetup& setup, uint64_t key) {
  assert(state.ShotNum >= 0 && state.ShotNum < kStoneCount);
  assert(setup.samples >= 1);
  assert(state.ShotNum == kStoneCount - 1 || setup.network != nullptr);
  const int side = SideToThrow(state.ShotNum);
  const std::vector<strong::CandidateShot> candidates =
      strong::GenerateCandidates(state, setup.hits);
  PositionLabel label;
  label.candidates = static_cast<int>(candidates.size());
  double best_value = -1.0;
  for (const strong::CandidateShot& candidate : candidates) {
    const EndResultDistribution results = MeanResults(state, setup, candidate.shot, key);
    const double value = strong::ExpectedEndValue(setup.situation, side, results);
    if (value > best_value) {
      best_value = value;
      label.results = results;
    }
  }
  if (candidates.empty()) label.results[static_cast<size_t>(EndResultClass(0))] = 1.0;
  return label;
}

}  // namespace curling::learn
