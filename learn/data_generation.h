// Labelled positions of one shot number, on several threads: position i is
// taken from the plan's played positions or sampled, and labelled, from draws
// keyed by (seed, shot, i) alone and stored in slot i, so the records depend
// on the seed, never on the threads.
#pragma once

#include <cstdint>
#include <vector>

#include "learn/position_labeller.h"
#include "learn/position_sampler.h"
#include "learn/training_data.h"

namespace curling::learn {

struct GenerationPlan {
  int shot = 15;
  int64_t positions = 0;
  uint64_t seed = 0;
  int threads = 1;
  // Positions of this shot from played games: positions 0 .. size - 1, in
  // this order; the rest are sampled.
  std::vector<GameState> played = {};
};

// `count` of `pool` (all when it holds fewer), picked and ordered by `seed`
// alone.
std::vector<GameState> ChoosePlayedPositions(std::vector<GameState> pool, int64_t count,
                                             uint64_t seed);

std::vector<TrainingRecord> GenerateRecords(const GenerationPlan& plan,
                                            const PositionSampler& sampler,
                                            const LabelSetup& labels);

}  // namespace curling::learn
