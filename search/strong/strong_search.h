// The strong search: the candidate deliveries of a position, each judged by
// rollouts of the rest of the end under the delivery error (scored by the
// chance to win the game), or, given a learned value network, by the
// position each delivery leaves under the delivery error judged by the
// network at the next shot; samples spent by successive halving, on several
// threads. With a fixed number of rollouts the result depends only on the
// position, the situation and the seed, not on the threads or their timing.
#pragma once

#include <chrono>
#include <cstdint>

#include "curling_simulator/records.h"
#include "curling_simulator/rink.h"
#include "eval/value_network.h"
#include "search/strong/candidate_shots.h"
#include "search/strong/delivery_error_model.h"
#include "search/strong/game_situation.h"

namespace curling::strong {

using Clock = std::chrono::steady_clock;

struct SearchLimits {
  int threads = 1;
  int64_t rollouts = 0;        // a fixed number of rollouts; 0: search until `deadline`
  Clock::time_point deadline;  // used when `rollouts` is 0
  uint64_t seed = 0;
  float error = sim::kMatchRandomError;  // of the modelled delivery error (metres)
  // Set: each sample is one delivery judged by this network at the next shot
  // (delivery_value.h) instead of a rollout of the rest of the end.
  const ValueNetwork* network = nullptr;
  // Set: the last third of the budget refines the choice among the
  // deliveries near it (nearby_deliveries.h), judged the same way.
  bool refine = false;
  HitWeights hits = HitWeights::kCalled;  // the candidates' hits
};

struct SearchReport {
  CandidateShot chosen{};
  double value = -1.0;  // the chosen candidate's mean sample value; -1 with no sample
  int candidates = 0;
  int64_t rollouts = 0;      // samples: rollouts, or deliveries judged by the network
  uint64_t simulations = 0;  // library simulations, rollouts and policy look-ups
  double seconds = 0.0;      // wall time of the search
  double cpu_seconds = 0.0;  // summed over its threads
};

// Searches the delivery for the side to throw in `state` (ShotNum 0 to 15;
// anything else gets a draw to the button, unsearched). `situation` is that
// side's. Rounds in time mode end at equal shares of the time to `deadline`;
// a fixed number of rollouts is spread the same way (each round at least one
// rollout per candidate still in, so a small number can be exceeded).
SearchReport SearchStrongShot(const GameState& state, const GameSituation& situation,
                              const SearchLimits& limits);

}  // namespace curling::strong
