// curling-suite run: an engine over a solved suite, its regret per position
// and by kind; curling-suite pages: the position pages alone.
#pragma once

#include <string>

namespace curling::suite {

struct RunOptions {
  std::string suite;
  std::string engine;  // as curling-match's --engine (a command line or settings)
  std::string out;     // folder for run.txt, run.json, index.html, the pages, the engine's log
  double seconds = 30.0;
  double ready_timeout = 10.0;
  int threads = 0;
  bool pages = false;
  float heat_step = 0.1f;
  int heat_samples = 128;
  bool quiet = false;
};

// Exit code: 0 done (engine faults are results), 2 a usage error, a bad or
// unsolved suite, 1 an output that could not be written.
int RunEngineOnSuite(const RunOptions& options);
// The pages of a solved suite without an engine (`options.engine` unused).
int RunPages(const RunOptions& options);

}  // namespace curling::suite
