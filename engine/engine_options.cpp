#include "engine/engine_options.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>
#include <thread>

#include "curling_simulator/version.h"
#include "search/strong/time_plan.h"

namespace curling {
namespace {

constexpr int kMostThreads = 256;
constexpr int64_t kMostSamples = 1'000'000'000;

int MachineCores() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMostThreads));
}

template <typename T>
bool ParseWhole(std::string_view text, T& out) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && ptr == end && !text.empty();
}

bool ParseSeconds(std::string_view text, double& out) {
  // Plain decimal notation only; no locale, no hex, no "inf"/"nan".
  if (text.empty() || text.find_first_not_of("0123456789.eE+-") != std::string_view::npos) {
    return false;
  }
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && ptr == end && std::isfinite(out);
}

std::string Bad(std::string_view option, std::string_view value, std::string_view wanted) {
  return std::string(option) + ": '" + std::string(value) + "' is not " + std::string(wanted);
}

// Stores one option's value; returns an error text, or empty.
std::string SetOption(std::string_view name, std::string_view value, StrongOptions& strong) {
  if (name == "--threads") {
    int n = 0;
    if (!ParseWhole(value, n) || n < 1 || n > kMostThreads) {
      return Bad(name, value, "a whole number of threads from 1 to 256");
    }
    strong.threads = n;
  } else if (name == "--shot-time") {
    double s = 0.0;
    if (!ParseSeconds(value, s) || !(s > 0.0) || s > strong::kMostShotSeconds) {
      return Bad(name, value, "a number of seconds above 0 and at most 3600");
    }
    strong.shot_seconds = s;
  } else if (name == "--samples") {
    int64_t n = 0;
    if (!ParseWhole(value, n) || n < 1 || n > kMostSamples) {
      return Bad(name, value, "a whole number of rollouts from 1 to 1000000000");
    }
    strong.samples = n;
  } else if (name == "--search") {
    if (value == "rollout") {
      strong.search = StrongSearch::kRollout;
    } else if (value == "value") {
      strong.search = StrongSearch::kValue;
    } else {
      return Bad(name, value, "'rollout' or 'value'");
    }
  } else if (name == "--model") {
    if (value.empty()) return Bad(name, value, "a file name");
    strong.model_path = std::string(value);
  } else {  // --seed
    uint64_t seed = 0;
    if (!ParseWhole(value, seed)) return Bad(name, value, "a whole number from 0 to 2^64 - 1");
    strong.seed = seed;
  }
  return {};
}

bool TakesValue(std::string_view name) {
  return name == "--threads" || name == "--shot-time" || name == "--samples" || name == "--seed" ||
         name == "--search" || name == "--model";
}

// The value of option `name`, given as argv[i]: after its '=', else the next
// argument (then `i` moves on to it); nothing when there is none.
std::optional<std::string_view> TakeValue(std::string_view arg, std::string_view name, int argc,
                                          const char* const* argv, int& i) {
  if (name.size() < arg.size()) {
    assert(arg[name.size()] == '=');
    return arg.substr(name.size() + 1);
  }
  if (i + 1 < argc) return std::string_view(argv[++i]);
  return std::nullopt;
}

// What the options forbid together ("" when nothing): `needs_strong` is the
// first option given that only the strong engine takes.
std::string CombinationError(const StrongOptions& strong_options, bool strong,
                             std::string_view needs_strong) {
  if (!needs_strong.empty() && !strong) {
    return std::string(needs_strong) + " applies only with --strong";
  }
  if (strong_options.shot_seconds && strong_options.samples) {
    return "--shot-time and --samples exclude each other: give one";
  }
  if (strong_options.model_path && strong_options.search != StrongSearch::kValue) {
    return "--model applies only to the value search (not --search rollout)";
  }
  return "";
}

}  // namespace

EngineOptions ParseEngineOptions(int argc, const char* const* argv) {
  EngineOptions options;
  options.strong.threads = MachineCores();
  if (argc == 2 && std::strcmp(argv[1], "bench") == 0) {
    options.mode = EngineMode::kBench;
    return options;
  }
  auto fail = [&options](std::string error) {
    options.mode = EngineMode::kUsageError;
    options.error = std::move(error);
    return options;
  };
  bool strong = false;
  bool bench = false;
  std::string_view needs_strong;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.mode = EngineMode::kHelp;
      return options;
    }
    if (arg == "--version") {
      options.mode = EngineMode::kVersion;
      return options;
    }
    if (arg == "--strong") {
      strong = true;
      continue;
    }
    if (arg == "bench") {
      bench = true;
      continue;
    }
    std::string_view name = arg.substr(0, arg.find('='));
    if (!TakesValue(name)) {
      return fail("unknown argument '" + std::string(arg) + "'");
    }
    const std::optional<std::string_view> value = TakeValue(arg, name, argc, argv, i);
    if (!value) return fail(std::string(name) + " needs a value");
    if (std::string error = SetOption(name, *value, options.strong); !error.empty()) {
      return fail(error);
    }
    if (needs_strong.empty()) needs_strong = name;
  }
  if (bench && !strong) return fail("bench takes no other arguments but --strong and its options");
  if (std::string error = CombinationError(options.strong, strong, needs_strong); !error.empty()) {
    return fail(error);
  }
  if (bench && options.strong.shot_seconds) {
    return fail("the strong bench searches a number of samples: give --samples, not --shot-time");
  }
  assert(options.strong.threads >= 1 && options.strong.threads <= kMostThreads);
  assert(!(options.strong.shot_seconds && options.strong.samples));
  if (strong) options.mode = bench ? EngineMode::kStrongBench : EngineMode::kStrong;
  if (bench && !options.strong.samples) options.strong.samples = kStrongBenchSamples;
  return options;
}

std::string EngineUsage() {
  return "usage: curling-engine                 the default engine: plays through the command\n"
         "                                      protocol on standard input and output\n"
         "       curling-engine --strong [--threads N] [--shot-time SECONDS | --samples N]\n"
         "                               [--seed N] [--search value [--model FILE]\n"
         "                               | --search rollout] [bench]\n"
         "       curling-engine bench           decide a fixed set of positions and report the\n"
         "                                      library calls made: \"bench: N library calls, T "
         "ms\"\n"
         "       curling-engine --help          this text\n"
         "       curling-engine --version       the version of the engine\n"
         "\n"
         "  --strong             the strong engine: the same protocol and BESTSHOT replies; it\n"
         "                       searches every shot, judging each delivery by the chance to win\n"
         "                       the game, and reads the SCORE and TIME commands\n"
         "  --threads N          search threads, 1 to 256 (default: the machine's cores)\n"
         "  --shot-time SECONDS  think about this long per shot (default: planned from the TIME\n"
         "                       command's budget, else 1 second)\n"
         "  --samples N          a fixed number of samples (rollouts, or deliveries judged by\n"
         "                       the network) per shot instead of a time: replies then depend\n"
         "                       only on the position, the score and the seed\n"
         "  --seed N             seed of the strong search's random draws (default 0)\n"
         "  --search value       the default: value each candidate by the position it leaves,\n"
         "                       judged by a learned network at the next shot (the last stone:\n"
         "                       the count), firm hits among the candidates and the choice\n"
         "                       refined among the deliveries near it (docs/learned-value.md)\n"
         "  --search rollout     the first generation, kept for comparison: value each candidate\n"
         "                       by rollouts of the rest of the end under a fast hand-written\n"
         "                       policy\n"
         "  --model FILE         the network's weight file (default: the one\n"
         "                       built into the engine); a missing or damaged file exits 2\n"
         "  bench                with --strong: search the bench positions with --samples\n"
         "                       (default 20000) and report the search's speed: \"bench: N\n"
         "                       simulations, T cpu ms, R simulations per cpu second\"\n";
}

std::string EngineVersion() {
  return std::string("curling-engine ") + CURLING_SIMULATOR_VERSION + "\n";
}

}  // namespace curling
