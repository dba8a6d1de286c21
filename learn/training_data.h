// Labelled positions and their file, which learn/train_value.py reads. All
// numbers little-endian:
//
//   8 bytes   magic "CURLDATA"
//   uint32    version (1)
//   uint32    feature count (kFeatureCount)
//   uint32    result classes (kEndResultCount)
//   int32     the lowest result (kEndResultMin)
//   uint64    record count N
//   N records: float32 features, float32 result probabilities, uint32 shot
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eval/end_result.h"
#include "eval/position_features.h"

namespace curling::learn {

struct TrainingRecord {
  PositionFeatures features{};
  EndResultDistribution results{};
  int shot = 0;
};

// The file's bytes.
std::vector<uint8_t> EncodeTrainingData(const std::vector<TrainingRecord>& records);

// Writes the file whole or not at all (a temporary file beside it, renamed);
// false with `error` set when it cannot.
bool WriteTrainingData(const std::string& path, const std::vector<TrainingRecord>& records,
                       std::string& error);

}  // namespace curling::learn
