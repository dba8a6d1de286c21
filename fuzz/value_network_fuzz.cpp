// The value network's weight file over arbitrary bytes. Either the file is
// refused with a reason, or the network it holds writes out to the same
// bytes and gives a distribution (finite, summing to 1) for any input.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "eval/value_network.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "value_network_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using curling::ValueNetwork;
  const std::span<const uint8_t> bytes(data, size);
  std::string error;
  const std::optional<ValueNetwork> network = ValueNetwork::Parse(bytes, error);
  if (!network) {
    if (error.empty()) Fail("refused without a reason");
    return 0;
  }
  const std::vector<uint8_t> written = ValueNetwork::Serialize(network->layers());
  if (written != std::vector<uint8_t>(bytes.begin(), bytes.end())) Fail("does not write back");
  curling::PositionFeatures features{};
  for (size_t i = 0; i < features.size(); ++i)
    features[i] = static_cast<float>(i % 7) - 3.0f;
  double total = 0.0;
  for (double p : network->Predict(features)) {
    if (!(p >= 0.0 && p <= 1.0)) Fail("a probability out of [0, 1]");
    total += p;
  }
  if (!(std::abs(total - 1.0) <= 1e-9)) Fail("probabilities do not sum to 1");
  return 0;
}
