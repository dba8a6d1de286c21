// Plays deliveries from one position under the suite's delivery error, on
// many threads, with common random numbers: sample j of every delivery draws
// its error from the same stream, so two deliveries are compared on the same
// throws and their difference is far less noisy than either value.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "curling_simulator/simulator.h"
#include "suite/end_result.h"
#include "suite/suite.h"

namespace curling::suite {

// The search's samples and the final evaluation's come from disjoint
// streams, so that a value reported for the delivery a search chose is not
// biased by the choice.
enum class SampleSet { kSearch, kEvaluation };

struct SampleRules {
  float error = sim::kMatchRandomError;
  sim::Rules rules;
  uint64_t seed = 1;
};

SampleRules RulesOf(const SuiteHeader& header);

// The signed count for the side to throw of each sample, in sample order.
using SamplePoints = std::vector<int8_t>;

ResultCounts CountsOf(const SamplePoints& points);

class Sampler {
 public:
  Sampler(const SampleRules& rules, int threads);

  // Samples 0 .. samples-1 of `set` for every delivery.
  std::vector<SamplePoints> Play(const GameState& state, const std::vector<ShotVector>& shots,
                                 int samples, SampleSet set) const;
  std::vector<ResultCounts> Count(const GameState& state, const std::vector<ShotVector>& shots,
                                  int samples, SampleSet set) const;

  int threads() const { return threads_; }
  // Deliveries simulated so far, all threads together.
  int64_t deliveries_played() const { return played_.load(std::memory_order_relaxed); }

 private:
  SampleRules rules_;
  int threads_;
  mutable std::atomic<int64_t> played_{0};
};

}  // namespace curling::suite
