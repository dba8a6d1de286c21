// The label of a position: the distribution of the end's result for the side
// to throw when it plays the best delivery it can find. Every candidate of
// the strong search's generator (with the setup's hits) is played `samples` times with the delivery
// error (the same draws for every candidate); each outcome is judged exactly
// when the end is over (the last stone), else by the network at the next
// shot seen from the opponent. The best candidate is the one of the highest
// expected value for a reference game situation (EndValue's scale), and its
// mean distribution is the label: so a network trained on labels of shot k + 1
// labels shot k, from the last stone back to the first.
#pragma once

#include <cstdint>

#include "curling_simulator/records.h"
#include "eval/end_result.h"
#include "eval/value_network.h"
#include "search/strong/candidate_shots.h"
#include "search/strong/delivery_error_model.h"
#include "search/strong/game_situation.h"

namespace curling::learn {

struct LabelSetup {
  strong::DeliveryErrorModel error;
  const ValueNetwork* network = nullptr;  // needed before the last stone
  int samples = 8;                        // per candidate
  strong::GameSituation situation;        // whose chance to win picks the best
  // The candidates' hits: with firm hits, as the strong search weighs them.
  strong::HitWeights hits = strong::HitWeights::kWithFirm;
};

struct PositionLabel {
  EndResultDistribution results{};
  int candidates = 0;
};

// The label of `state` (ShotNum 0 to 15; before 15 the setup's network must
// be set). Draws keyed by `key` alone; safe from any thread.
PositionLabel LabelPosition(const GameState& state, const LabelSetup& setup, uint64_t key);

}  // namespace curling::learn
