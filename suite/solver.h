// The solver: the best delivery of a last-stone position and its value under
// every game context it is asked in, found by a dense search of the delivery
// space, refined four times around the best regions, the finalists compared on
// more samples; then a handful (each context's choice and the best of every
// kind of delivery) valued on samples of their own, the best of them the
// answer. Choosing among a handful on that many samples biases the value up
// by at most about one standard error.
#pragma once

#include <cstdint>
#include <vector>

#include "suite/candidates.h"
#include "suite/sampler.h"
#include "suite/suite.h"

namespace curling::suite {

struct SolverSettings {
  GridSettings grid;
  int dense_samples = 64;          // every delivery of the dense set
  int refine_samples = 256;        // the best regions and the deliveries around them
  int finalist_samples = 1024;     // the finer refinements around the best few
  int decision_samples = 4096;     // the finalists, before the choice
  int evaluation_samples = 16384;  // the chosen delivery and the runners-up, at least
  int most_evaluation_samples = 262144;
  int regions = 6;  // regions kept per context after the dense set
  // The value is reported to within these (1.96 standard errors): samples
  // are doubled until it is, up to most_evaluation_samples.
  double win_precision = 0.005;
  double points_precision = 0.02;

  // Every sample count times `factor` (the precision study).
  SolverSettings WithSamplesScaled(int factor) const;
};

struct SolveCost {
  int64_t deliveries = 0;
  double seconds = 0.0;
};

// Solves positions with the same stones (SameStones), shot 15, each in its
// own context; writes each position's answer.
SolveCost SolveGroup(const std::vector<SuitePosition*>& group, const WinTable& table,
                     const Sampler& sampler, const SolverSettings& settings);

// Groups the positions by stones, in the order of their first appearance.
std::vector<std::vector<SuitePosition*>> GroupsOf(std::vector<SuitePosition>& positions);

}  // namespace curling::suite
