// curling-suite solve: reads a suite, solves every position, writes the
// answers (into the file itself or a solved copy).
#pragma once

#include <string>

#include "suite/solver.h"

namespace curling::suite {

struct SolveOptions {
  std::string suite;
  std::string out;         // "" writes the answers into `suite`
  int threads = 0;         // 0: the machine's cores
  int grid_factor = 1;     // dense grid and refinements this many times denser
  int samples_factor = 1;  // every sample count times this
  bool quiet = false;
};

// Exit code: 0 solved, 2 a bad suite file or option, 1 the output could not
// be written. `command_line` is stored in the solved suite.
int RunSolve(const SolveOptions& options, const std::string& command_line);

}  // namespace curling::suite
