#include "learn/training_data.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace curling::learn {
namespace {

constexpr char kMagic[8] = {'C', 'U', 'R', 'L', 'D', 'A', 'T', 'A'};
constexpr uint32_t kVersion = 1;

template <typename T>
void AppendLittle(std::vector<uint8_t>& out, T value) {
  for (size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void AppendFloat(std::vector<uint8_t>& out, double value) {
  const float f = static_cast<float>(value);
  uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  AppendLittle(out, bits);
}

}  // namespace

std::vector<uint8_t> EncodeTrainingData(const std::vector<TrainingRecord>& records) {
  std::vector<uint8_t> out(std::begin(kMagic), std::end(kMagic));
  AppendLittle(out, kVersion);
  AppendLittle(out, static_cast<uint32_t>(kFeatureCount));
  AppendLittle(out, static_cast<uint32_t>(kEndResultCount));
  AppendLittle(out, static_cast<uint32_t>(static_cast<int32_t>(kEndResultMin)));
  AppendLittle(out, static_cast<uint64_t>(records.size()));
  for (const TrainingRecord& r : records) {
    for (float f : r.features)
      AppendFloat(out, f);
    for (double p : r.results)
      AppendFloat(out, p);
    AppendLittle(out, static_cast<uint32_t>(r.shot));
  }
  return out;
}

bool WriteTrainingData(const std::string& path, const std::vector<TrainingRecord>& records,
                       std::string& error) {
  const std::vector<uint8_t> bytes = EncodeTrainingData(records);
  const std::string part = path + ".part";
  std::FILE* file = std::fopen(part.c_str(), "wb");
  if (file == nullptr) {
    error = part + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int write_errno = errno;
  if (std::fclose(file) != 0 || !written) {
    error = part + ": " + std::strerror(written ? errno : write_errno);
    std::remove(part.c_str());
    return false;
  }
  if (std::rename(part.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(errno);
    std::remove(part.c_str());
    return false;
  }
  return true;
}

}  // namespace curling::learn
