// The protocol's number conversion (every engine of ours reads numbers with
// it) against the C library's. For words made
// only of digits, signs, points and exponent letters (where strtod and
// strtoll read exactly the leading part the engine reads), ParseCoordinate
// must equal strtod's double narrowed to float with round-to-nearest
// (infinity beyond float range), and ParseInteger strtoll's value clamped to
// the int32 range. Any other word must still convert without fault.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "protocol/number_conversion.h"

namespace {

bool Only(const std::string& word, const char* allowed) {
  return word.find_first_not_of(allowed) == std::string::npos;
}

[[noreturn]] void Fail(const char* what, const std::string& word, double expected, double got) {
  std::fprintf(stderr, "number_conversion_fuzz: %s of \"%s\": expected %a, got %a\n", what,
               word.c_str(), expected, got);
  std::abort();
}

// strtod's value narrowed as the engine promises: the nearest float, ties to
// even, infinity from half an ulp beyond the largest float on.
float Narrowed(double value) {
  if (std::fabs(value) >= 0x1.ffffffp127) {
    return std::copysign(std::numeric_limits<float>::infinity(),
                         static_cast<float>(value > 0 ? 1 : -1));
  }
  return static_cast<float>(value);
}

void CheckCoordinate(const std::string& word) {
  const float got = curling::protocol::ParseCoordinate(word);
  if (!Only(word, "0123456789+-.eE") || word.empty()) {
    if (std::isnan(got)) Fail("NaN coordinate", word, 0, got);
    return;
  }
  const double reference = std::strtod(word.c_str(), nullptr);
  const float expected = Narrowed(reference);
  if (std::memcmp(&expected, &got, sizeof got) != 0 && !(expected == 0 && got == 0)) {
    Fail("coordinate", word, expected, got);
  }
}

void CheckInteger(const std::string& word) {
  const int32_t got = curling::protocol::ParseInteger(word);
  if (!Only(word, "0123456789+-") || word.empty()) return;
  errno = 0;
  const long long reference = std::strtoll(word.c_str(), nullptr, 10);
  const long long expected = std::clamp<long long>(reference, std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<int32_t>::max());
  if (expected != got) Fail("integer", word, static_cast<double>(expected), got);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string word(reinterpret_cast<const char*>(data), size);
  if (word.find('\0') != std::string::npos) return 0;  // words never hold a zero byte
  CheckCoordinate(word);
  CheckInteger(word);
  return 0;
}
