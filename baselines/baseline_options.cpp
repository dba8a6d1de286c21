#include "baselines/baseline_options.h"

#include <charconv>
#include <iostream>
#include <string_view>

#include "curling_simulator/version.h"

namespace curling::baselines {
namespace {

// The whole of `text` as a number of T.
template <typename T>
bool ParseWhole(std::string_view text, T& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// The program's name: argv[0] without its folder.
std::string_view ProgramName(const char* argv0) {
  const std::string_view path = argv0 != nullptr ? argv0 : "baseline";
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void PrintUsage(std::ostream& out, std::string_view program, int default_samples) {
  const bool takes_samples = default_samples > 0;
  out << "usage: " << program << " [--seed N]" << (takes_samples ? " [--samples N]" : "") << "\n\n"
      << "A baseline engine: plays through the command protocol on standard input and output.\n"
      << "\n"
      << "  --seed N      seed of its own random choices, 0 to 2^64 - 1 (default 1)\n";
  if (takes_samples) {
    out << "  --samples N   simulations per candidate shot, above 0 (default " << default_samples
        << ")\n";
  }
  out << "  --help        this text\n"
      << "  --version     the version of the program\n";
}

}  // namespace

std::optional<int> ParseBaselineOptions(int argc, char** argv, int default_samples,
                                        BaselineOptions& options) {
  options.samples = default_samples;
  const std::string_view program = ProgramName(argc > 0 ? argv[0] : nullptr);
  const bool takes_samples = default_samples > 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help") {
      PrintUsage(std::cout, program, default_samples);
      return 0;
    }
    if (arg == "--version") {
      std::cout << program << " " << CURLING_SIMULATOR_VERSION << "\n";
      return 0;
    }
    if (arg == "--seed" && has_value) {
      if (ParseWhole(argv[++i], options.seed)) continue;
    } else if (arg == "--samples" && has_value && takes_samples) {
      if (ParseWhole(argv[++i], options.samples) && options.samples > 0) continue;
    }
    PrintUsage(std::cerr, program, default_samples);
    std::cerr << "bad argument: " << arg << "\n";
    return 2;
  }
  return std::nullopt;
}

}  // namespace curling::baselines
