// The learned position value: a multilayer perceptron (ReLU between layers,
// a softmax at the end) from a position's features (eval/position_features.h)
// to the distribution of the end's result for the side to throw
// (eval/end_result.h). Its weights come from a small binary file that
// learn/train_value.py writes; the format (docs/learned-value.md), all
// numbers little-endian:
//
//   8 bytes   magic "CURLVNET"
//   uint32    version (1)
//   uint32    layer count L (1 to 8)
//   uint32    L + 1 sizes: inputs (kFeatureCount), each hidden layer's
//             units (1 to 4096), outputs (kEndResultCount)
//   float32   per layer: weights [out][in] row by row, then biases [out],
//             each from -10000 to 10000
//   uint64    FNV-1a (64 bits) of every byte before it
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "eval/end_result.h"
#include "eval/position_features.h"

namespace curling {

inline constexpr char kValueNetworkMagic[8] = {'C', 'U', 'R', 'L', 'V', 'N', 'E', 'T'};
inline constexpr uint32_t kValueNetworkVersion = 1;
inline constexpr uint32_t kValueNetworkMostLayers = 8;
inline constexpr uint32_t kValueNetworkMostUnits = 4096;

struct DenseLayer {
  int inputs = 0;
  int outputs = 0;
  std::vector<float> weights;  // outputs x inputs, row by row
  std::vector<float> biases;   // outputs
};

class ValueNetwork {
 public:
  // The network of a weight file's bytes; nothing with `error` set (one line:
  // what is wrong) when they are not a whole, intact file of this format.
  static std::optional<ValueNetwork> Parse(std::span<const uint8_t> bytes, std::string& error);
  // The same from a file; `error` names the file.
  static std::optional<ValueNetwork> Read(const std::string& path, std::string& error);

  // The file's bytes of `layers` (sizes chained, first inputs kFeatureCount,
  // last outputs kEndResultCount).
  static std::vector<uint8_t> Serialize(const std::vector<DenseLayer>& layers);

  // The distribution of the end's result for the side to throw. Pure; safe
  // from any thread.
  EndResultDistribution Predict(const PositionFeatures& features) const;

  const std::vector<DenseLayer>& layers() const { return layers_; }

 private:
  explicit ValueNetwork(std::vector<DenseLayer> layers);
  // Layer l applied to `in` (its inputs), written to `out` (its outputs),
  // before the activation.
  void ApplyLayer(size_t l, const double* in, double* out) const;

  std::vector<DenseLayer> layers_;
  // Each layer's weights column by column: [in][out].
  std::vector<std::vector<float>> columns_;
};

// FNV-1a, 64 bits: the weight file's checksum.
uint64_t Fnv1a64(std::span<const uint8_t> bytes);

}  // namespace curling
