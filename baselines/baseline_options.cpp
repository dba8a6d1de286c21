#include "baselines/baseline_options.h"

#include <charconv>
#include <iostream>
#include <string_view>

namespace curling::baselines {
namespace {

// The whole of `text` as a number of T.
template <typename T>
bool ParseWhole(std::string_view text, T& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

}  // namespace

bool ParseBaselineOptions(int argc, char** argv, int default_samples, BaselineOptions& options) {
  options.samples = default_samples;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--seed" && has_value) {
      if (ParseWhole(argv[++i], options.seed)) continue;
    } else if (arg == "--samples" && has_value && default_samples > 0) {
      if (ParseWhole(argv[++i], options.samples) && options.samples > 0) continue;
    }
    std::cerr << "usage: " << argv[0] << " [--seed N]"
              << (default_samples > 0 ? " [--samples N (> 0)]" : "") << "\n"
              << "bad argument: " << arg << "\n";
    return false;
  }
  return true;
}

}  // namespace curling::baselines
