// Command-line options shared by the baselines.
#pragma once

#include <cstdint>

namespace curling::baselines {

// --seed N (the baseline's own random choices, default 1) and --samples N
// (simulations per candidate, where used).
struct BaselineOptions {
  uint64_t seed = 1;
  int samples = 0;
};

// Reads the options; --samples is taken only when `default_samples` > 0 (it
// is then the default). On a bad option prints the usage to standard error
// and returns false.
bool ParseBaselineOptions(int argc, char** argv, int default_samples, BaselineOptions& options);

}  // namespace curling::baselines
