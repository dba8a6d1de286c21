// The learned value's weight file and inference: a hand-made network's
// output, and every way a file can be damaged refused with a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "eval/value_network.h"

namespace curling {
namespace {

// kFeatureCount -> 2 hidden units -> kEndResultCount: unit 0 copies feature
// 0, unit 1 is -feature 1 (ReLU cuts it below 0); output c is c * unit 0 +
// unit 1 + bias c / 10.
std::vector<DenseLayer> HandMadeLayers() {
  DenseLayer hidden{kFeatureCount, 2, std::vector<float>(2 * kFeatureCount, 0.0f), {0.0f, 0.0f}};
  hidden.weights[0] = 1.0f;
  hidden.weights[kFeatureCount + 1] = -1.0f;
  DenseLayer out{2, kEndResultCount, {}, {}};
  for (int c = 0; c < kEndResultCount; ++c) {
    out.weights.push_back(static_cast<float>(c));
    out.weights.push_back(1.0f);
    out.biases.push_back(static_cast<float>(c) / 10.0f);
  }
  return {hidden, out};
}

ValueNetwork Parsed(const std::vector<uint8_t>& bytes) {
  std::string error;
  std::optional<ValueNetwork> network = ValueNetwork::Parse(bytes, error);
  EXPECT_TRUE(network) << error;
  return *network;
}

TEST(ValueNetworkTest, PredictsTheSoftmaxOfTheLayersWithReluBetween) {
  const ValueNetwork network = Parsed(ValueNetwork::Serialize(HandMadeLayers()));
  PositionFeatures features{};
  features[0] = 0.5f;
  features[1] = 2.0f;  // unit 1 = relu(-2) = 0
  const EndResultDistribution p = network.Predict(features);
  double total = 0.0;
  for (int c = 0; c < kEndResultCount; ++c)
    total += std::exp(0.5 * c + c / 10.0);
  for (int c = 0; c < kEndResultCount; ++c)
    EXPECT_NEAR(p[static_cast<size_t>(c)], std::exp(0.5 * c + c / 10.0) / total, 1e-6) << c;
  // Large logits do not overflow.
  features[0] = 1e4f;
  const EndResultDistribution q = network.Predict(features);
  EXPECT_NEAR(q[kEndResultCount - 1], 1.0, 1e-9);
}

// The network's definition, one output at a time: bias + the sum over the
// inputs in order, in double.
EndResultDistribution RowByRow(const std::vector<DenseLayer>& layers,
                               const PositionFeatures& features) {
  std::vector<double> values(features.begin(), features.end());
  for (size_t l = 0; l < layers.size(); ++l) {
    const DenseLayer& layer = layers[l];
    std::vector<double> next(static_cast<size_t>(layer.outputs));
    for (int o = 0; o < layer.outputs; ++o) {
      double sum = 0.0;
      for (int i = 0; i < layer.inputs; ++i)
        sum += static_cast<double>(layer.weights[static_cast<size_t>(o * layer.inputs + i)]) *
               values[static_cast<size_t>(i)];
      const double logit = layer.biases[static_cast<size_t>(o)] + sum;
      next[static_cast<size_t>(o)] = l + 1 < layers.size() ? std::max(logit, 0.0) : logit;
    }
    values = next;
  }
  const double top = *std::max_element(values.begin(), values.end());
  EndResultDistribution p{};
  double total = 0.0;
  for (int c = 0; c < kEndResultCount; ++c)
    total += p[static_cast<size_t>(c)] = std::exp(values[static_cast<size_t>(c)] - top);
  for (double& v : p)
    v /= total;
  return p;
}

// The engine's inference walks the weights column by column and passes over
// zero inputs; what it returns must still be the definition's, bit for bit.
TEST(ValueNetworkTest, PredictEqualsTheRowByRowDefinitionExactly) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> weight(-1.0f, 1.0f);
  std::vector<DenseLayer> layers;
  const std::vector<int> sizes = {kFeatureCount, 64, 37, kEndResultCount};
  for (size_t l = 0; l + 1 < sizes.size(); ++l) {
    DenseLayer layer{sizes[l], sizes[l + 1], {}, {}};
    for (int k = 0; k < layer.inputs * layer.outputs; ++k)
      layer.weights.push_back(weight(random));
    for (int o = 0; o < layer.outputs; ++o)
      layer.biases.push_back(weight(random));
    layers.push_back(layer);
  }
  const ValueNetwork network = Parsed(ValueNetwork::Serialize(layers));
  for (int trial = 0; trial < 200; ++trial) {
    PositionFeatures features{};
    for (float& f : features)
      f = random() % 3 == 0 ? weight(random) * 3.0f : 0.0f;
    const EndResultDistribution fast = network.Predict(features);
    const EndResultDistribution plain = RowByRow(layers, features);
    for (int c = 0; c < kEndResultCount; ++c)
      ASSERT_EQ(fast[static_cast<size_t>(c)], plain[static_cast<size_t>(c)]) << trial << " " << c;
  }
}

TEST(ValueNetworkTest, SerializeAndParseRoundTrip) {
  const std::vector<DenseLayer> layers = HandMadeLayers();
  const ValueNetwork network = Parsed(ValueNetwork::Serialize(layers));
  ASSERT_EQ(network.layers().size(), layers.size());
  for (size_t l = 0; l < layers.size(); ++l) {
    EXPECT_EQ(network.layers()[l].weights, layers[l].weights);
    EXPECT_EQ(network.layers()[l].biases, layers[l].biases);
  }
}

// Rewrites the checksum after a change, so that the change itself is judged.
std::vector<uint8_t> Resealed(const std::vector<uint8_t>& sealed) {
  std::vector<uint8_t> bytes(sealed.begin(), sealed.end() - 8);
  const uint64_t sum = Fnv1a64(bytes);
  for (int i = 0; i < 8; ++i)
    bytes.push_back(static_cast<uint8_t>(sum >> (8 * i)));
  return bytes;
}

void PutUint32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(ValueNetworkTest, DamagedFilesAreRefusedWithWhatIsWrong) {
  const std::vector<uint8_t> good = ValueNetwork::Serialize(HandMadeLayers());
  auto refused = [](const std::vector<uint8_t>& bytes, const std::string& message) {
    std::string error;
    EXPECT_FALSE(ValueNetwork::Parse(bytes, error)) << message;
    EXPECT_NE(error.find(message), std::string::npos) << error;
  };
  // Every truncation, down to nothing.
  for (size_t n = 0; n < good.size(); ++n) {
    std::string error;
    EXPECT_FALSE(ValueNetwork::Parse(std::span(good).first(n), error)) << n;
    EXPECT_FALSE(error.empty()) << n;
  }
  refused(std::vector<uint8_t>(good.begin(), good.begin() + 40), "truncated");
  std::vector<uint8_t> bytes = good;
  bytes[0] = 'X';
  refused(bytes, "not a value network file");
  bytes = good;
  bytes[40] ^= 0x10;  // a weight
  refused(bytes, "checksum mismatch");
  bytes = good;
  bytes.push_back(0);
  refused(bytes, "1 bytes after the checksum");
  bytes = good;
  PutUint32(bytes, 8, 2);
  refused(Resealed(bytes), "version 2");
  bytes = good;
  PutUint32(bytes, 12, 0);
  refused(Resealed(bytes), "layer count 0");
  bytes = good;
  PutUint32(bytes, 12, 9);
  refused(Resealed(bytes), "layer count 9");
  bytes = good;
  PutUint32(bytes, 16, 64);
  refused(Resealed(bytes), "takes 64 inputs");
  bytes = good;
  PutUint32(bytes, 20, 5000);
  refused(Resealed(bytes), "layer size 5000");
  bytes = good;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::memcpy(&bytes[28], &nan, sizeof nan);
  refused(Resealed(bytes), "not a number from -10000 to 10000");
  // Weights so large that the sums overflow would give no distribution.
  bytes = good;
  const float huge = 1e30f;
  std::memcpy(&bytes[28], &huge, sizeof huge);
  refused(Resealed(bytes), "not a number from -10000 to 10000");
}

TEST(ValueNetworkTest, ReadNamesTheFileItCannotUse) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "value_network_test";
  std::filesystem::create_directories(dir);
  std::string error;
  EXPECT_FALSE(ValueNetwork::Read((dir / "missing.bin").string(), error));
  EXPECT_NE(error.find("missing.bin: cannot be opened"), std::string::npos) << error;
  const std::vector<uint8_t> good = ValueNetwork::Serialize(HandMadeLayers());
  const std::string path = (dir / "half.bin").string();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(good.data()),
             static_cast<std::streamsize>(good.size() / 2));
  EXPECT_FALSE(ValueNetwork::Read(path, error));
  EXPECT_NE(error.find("half.bin: truncated"), std::string::npos) << error;
  EXPECT_FALSE(ValueNetwork::Read(dir.string(), error)) << "a folder is not a file";
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace curling
