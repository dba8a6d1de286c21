#include "eval/value_network.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace curling {
namespace {

// Reads little-endian numbers from the front of a byte span.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t offset() const { return offset_; }
  size_t left() const { return bytes_.size() - offset_; }

  bool Uint32(uint32_t& out) { return Little(out); }
  bool Uint64(uint64_t& out) { return Little(out); }
  bool Float(float& out) {
    uint32_t bits = 0;
    if (!Little(bits)) return false;
    std::memcpy(&out, &bits, sizeof out);
    return true;
  }

 private:
  template <typename T>
  bool Little(T& out) {
    if (left() < sizeof(T)) return false;
    out = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
      out |= static_cast<T>(bytes_[offset_ + i]) << (8 * i);
    offset_ += sizeof(T);
    return true;
  }

  std::span<const uint8_t> bytes_;
  size_t offset_ = 0;
};

template <typename T>
void AppendLittle(std::vector<uint8_t>& out, T value) {
  for (size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void AppendFloat(std::vector<uint8_t>& out, float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  AppendLittle(out, bits);
}

// The layer sizes of a header; empty with `error` set when they are not ours.
std::vector<uint32_t> ReadSizes(ByteReader& in, std::string& error) {
  auto fail = [&error](std::string text) {
    error = std::move(text);
    return std::vector<uint32_t>{};
  };
  uint32_t layer_count = 0;
  if (!in.Uint32(layer_count)) return fail("truncated before the layer count");
  if (layer_count < 1 || layer_count > kValueNetworkMostLayers) {
    return fail("layer count " + std::to_string(layer_count) + " is not 1 to 8");
  }
  std::vector<uint32_t> sizes(layer_count + 1);
  for (uint32_t& size : sizes) {
    if (!in.Uint32(size)) return fail("truncated in the layer sizes");
    if (size < 1 || size > kValueNetworkMostUnits) {
      return fail("layer size " + std::to_string(size) + " is not 1 to 4096");
    }
  }
  if (sizes.front() != kFeatureCount || sizes.back() != kEndResultCount) {
    return fail("the network takes " + std::to_string(sizes.front()) + " inputs and gives " +
                std::to_string(sizes.back()) + " outputs; the engine's are " +
                std::to_string(kFeatureCount) + " and " + std::to_string(kEndResultCount));
  }
  return sizes;
}

bool ReadFloats(ByteReader& in, std::vector<float>& out, size_t count) {
  if (in.left() / sizeof(float) < count) return false;
  out.resize(count);
  for (float& value : out) {
    if (!in.Float(value)) return false;
  }
  return true;
}

// Weights within this bound keep every sum of the largest network of the
// format finite in double precision, whatever the position's features.
constexpr float kMostWeight = 1e4f;

bool AllWithinBound(const std::vector<float>& values) {
  return std::all_of(values.begin(), values.end(),
                     [](float v) { return std::isfinite(v) && std::fabs(v) <= kMostWeight; });
}

}  // namespace

uint64_t Fnv1a64(std::span<const uint8_t> bytes) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (uint8_t b : bytes) {
    hash ^= b;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

std::optional<ValueNetwork> ValueNetwork::Parse(std::span<const uint8_t> bytes,
                                                std::string& error) {
  if (bytes.size() < sizeof kValueNetworkMagic ||
      std::memcmp(bytes.data(), kValueNetworkMagic, sizeof kValueNetworkMagic) != 0) {
    error = "not a value network file (no CURLVNET at its start)";
    return std::nullopt;
  }
  ByteReader in(bytes.subspan(sizeof kValueNetworkMagic));
  uint32_t version = 0;
  if (!in.Uint32(version)) return error = "truncated before the version", std::nullopt;
  if (version != kValueNetworkVersion) {
    error = "version " + std::to_string(version) + " is not the engine's (1)";
    return std::nullopt;
  }
  const std::vector<uint32_t> sizes = ReadSizes(in, error);
  if (sizes.empty()) return std::nullopt;
  std::vector<DenseLayer> layers(sizes.size() - 1);
  for (size_t l = 0; l < layers.size(); ++l) {
    DenseLayer& layer = layers[l];
    layer.inputs = static_cast<int>(sizes[l]);
    layer.outputs = static_cast<int>(sizes[l + 1]);
    const size_t weights = static_cast<size_t>(layer.inputs) * static_cast<size_t>(layer.outputs);
    if (!ReadFloats(in, layer.weights, weights) ||
        !ReadFloats(in, layer.biases, static_cast<size_t>(layer.outputs))) {
      error = "truncated in the weights of layer " + std::to_string(l + 1);
      return std::nullopt;
    }
    if (!AllWithinBound(layer.weights) || !AllWithinBound(layer.biases)) {
      error = "layer " + std::to_string(l + 1) +
              " holds a weight that is not a number from -10000 to 10000";
      return std::nullopt;
    }
  }
  const size_t checked = sizeof kValueNetworkMagic + in.offset();
  uint64_t checksum = 0;
  if (!in.Uint64(checksum)) return error = "truncated before the checksum", std::nullopt;
  if (in.left() != 0) {
    error = std::to_string(in.left()) + " bytes after the checksum";
    return std::nullopt;
  }
  if (checksum != Fnv1a64(bytes.first(checked))) {
    error = "checksum mismatch: the file is corrupt";
    return std::nullopt;
  }
  return ValueNetwork(std::move(layers));
}

std::optional<ValueNetwork> ValueNetwork::Read(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": cannot be opened";
    return std::nullopt;
  }
  // Weight files are small: anything far larger than the largest network of
  // the format is refused before it is read whole.
  constexpr std::streamoff kMostBytes = 256LL << 20;
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  file.seekg(0, std::ios::beg);
  if (size < 0 || size > kMostBytes) {
    error = path + ": not a value network file (" + std::to_string(size) + " bytes)";
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) {
    error = path + ": read failed";
    return std::nullopt;
  }
  std::optional<ValueNetwork> network = Parse(bytes, error);
  if (!network) error = path + ": " + error;
  return network;
}

std::vector<uint8_t> ValueNetwork::Serialize(const std::vector<DenseLayer>& layers) {
  assert(!layers.empty() && layers.size() <= kValueNetworkMostLayers);
  std::vector<uint8_t> out(std::begin(kValueNetworkMagic), std::end(kValueNetworkMagic));
  AppendLittle(out, kValueNetworkVersion);
  AppendLittle(out, static_cast<uint32_t>(layers.size()));
  AppendLittle(out, static_cast<uint32_t>(layers.front().inputs));
  for (const DenseLayer& layer : layers)
    AppendLittle(out, static_cast<uint32_t>(layer.outputs));
  for (const DenseLayer& layer : layers) {
    assert(layer.weights.size() == static_cast<size_t>(layer.inputs) * layer.outputs);
    assert(layer.biases.size() == static_cast<size_t>(layer.outputs));
    for (float w : layer.weights)
      AppendFloat(out, w);
    for (float b : layer.biases)
      AppendFloat(out, b);
  }
  AppendLittle(out, Fnv1a64(out));
  return out;
}

ValueNetwork::ValueNetwork(std::vector<DenseLayer> layers) : layers_(std::move(layers)) {
  columns_.reserve(layers_.size());
  for (const DenseLayer& layer : layers_) {
    assert(layer.inputs >= 1 && layer.inputs <= static_cast<int>(kValueNetworkMostUnits));
    assert(layer.outputs >= 1 && layer.outputs <= static_cast<int>(kValueNetworkMostUnits));
    std::vector<float> columns(layer.weights.size());
    for (int o = 0; o < layer.outputs; ++o) {
      for (int i = 0; i < layer.inputs; ++i) {
        columns[static_cast<size_t>(i) * layer.outputs + o] =
            layer.weights[static_cast<size_t>(o) * layer.inputs + i];
      }
    }
    columns_.push_back(std::move(columns));
  }
}

// One layer: out[o] = bias[o] + the sum over i of w[o][i] * in[i], the sum
// taken in double from i = 0 up. The weights are walked column by column so
// that every output's sum advances at once (the loop over outputs vectorizes,
// and each sum still sees its terms in the order of i), and an input of zero
// is passed over: it adds nothing but a zero to each sum.
void ValueNetwork::ApplyLayer(size_t l, const double* in, double* out) const {
  const DenseLayer& layer = layers_[l];
  const float* columns = columns_[l].data();
  const int outputs = layer.outputs;
  for (int o = 0; o < outputs; ++o)
    out[o] = 0.0;
  for (int i = 0; i < layer.inputs; ++i) {
    const double value = in[i];
    if (value == 0.0) continue;
    const float* column = columns + static_cast<size_t>(i) * outputs;
    for (int o = 0; o < outputs; ++o)
      out[o] += static_cast<double>(column[o]) * value;
  }
  for (int o = 0; o < outputs; ++o)
    out[o] = static_cast<double>(layer.biases[static_cast<size_t>(o)]) + out[o];
}

EndResultDistribution ValueNetwork::Predict(const PositionFeatures& features) const {
  // Sums in double: with the weights' bound no layer can overflow.
  std::array<double, kValueNetworkMostUnits> a;
  std::array<double, kValueNetworkMostUnits> b;
  std::copy(features.begin(), features.end(), a.begin());
  double* values = a.data();
  double* next = b.data();
  for (size_t l = 0; l < layers_.size(); ++l) {
    ApplyLayer(l, values, next);
    if (l + 1 < layers_.size()) {
      for (int o = 0; o < layers_[l].outputs; ++o)
        next[o] = std::max(next[o], 0.0);
    }
    std::swap(values, next);
  }
  assert(layers_.back().outputs == kEndResultCount);
  // Softmax, shifted by the largest logit so that no exponential overflows.
  const double top = *std::max_element(values, values + kEndResultCount);
  assert(std::isfinite(top));
  EndResultDistribution p{};
  double total = 0.0;
  for (int c = 0; c < kEndResultCount; ++c) {
    p[static_cast<size_t>(c)] = std::exp(values[c] - top);
    total += p[static_cast<size_t>(c)];
  }
  for (double& v : p)
    v /= total;
  return p;
}

}  // namespace curling
