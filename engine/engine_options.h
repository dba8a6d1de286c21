// The engine's command line: the default engine (no arguments), the bench,
// the help text, the version, or the strong engine with its options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace curling {

enum class EngineMode { kProtocol, kStrong, kBench, kStrongBench, kHelp, kVersion, kUsageError };

// How the strong engine values a candidate delivery: by the learned position
// value at the next shot (the second generation, the default), or by
// rollouts of the rest of the end under a hand-written policy (the first,
// kept for comparison).
enum class StrongSearch { kRollout, kValue };

struct StrongOptions {
  int threads = 1;                     // default: the machine's cores
  std::optional<double> shot_seconds;  // --shot-time
  std::optional<int64_t> samples;      // --samples: rollouts per shot
  uint64_t seed = 0;
  StrongSearch search = StrongSearch::kValue;  // --search
  std::optional<std::string> model_path;       // --model: else the built-in network
};

struct EngineOptions {
  EngineMode mode = EngineMode::kProtocol;
  StrongOptions strong;
  std::string error;  // kUsageError: what was wrong, one line
};

// Samples per position of the strong engine's bench unless --samples says.
inline constexpr int64_t kStrongBenchSamples = 20000;

// Reads the arguments after the program name. "bench" stands alone, or with
// --strong and its options (not --shot-time: that bench counts samples);
// --threads, --shot-time, --samples, --seed and --search need --strong,
// --model needs the value search; values go in the next argument or after '='
// (--threads=2).
EngineOptions ParseEngineOptions(int argc, const char* const* argv);

// The help text (ends with a line end).
std::string EngineUsage();

// "curling-engine VERSION" and a line end.
std::string EngineVersion();

}  // namespace curling
