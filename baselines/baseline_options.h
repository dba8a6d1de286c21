// Command-line options shared by the baselines.
#pragma once

#include <cstdint>
#include <optional>

namespace curling::baselines {

// --seed N (the baseline's own random choices, default 1) and --samples N
// (simulations per candidate, where used).
struct BaselineOptions {
  uint64_t seed = 1;
  int samples = 0;
};

// Reads the options; --samples is taken only when `default_samples` > 0 (it
// is then the default). Returns nothing when the baseline is to play, else
// the exit code: 0 after printing --help's text or --version's line to
// standard output, 2 after printing the usage and the bad argument to
// standard error.
std::optional<int> ParseBaselineOptions(int argc, char** argv, int default_samples,
                                        BaselineOptions& options);

}  // namespace curling::baselines
