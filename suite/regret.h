// How far a delivery falls short of a solved position's best: both played on
// the same evaluation samples the answer was valued on, so that the best
// itself has a regret of exactly 0 and the difference's noise is small.
#pragma once

#include "suite/sampler.h"
#include "suite/suite.h"

namespace curling::suite {

struct Regret {
  double best_value = 0.0;      // the solved best, on these samples
  double chosen_value = 0.0;    // the delivery judged
  double regret = 0.0;          // best minus chosen; negative when it did better
  double standard_error = 0.0;  // of the paired difference
};

// `position` must be solved (it has an answer).
Regret RegretOf(const SuitePosition& position, const WinTable& table, const Sampler& sampler,
                const ShotVector& chosen);

}  // namespace curling::suite
