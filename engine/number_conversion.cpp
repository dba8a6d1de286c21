#include "engine/number_conversion.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace curling {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the decimal number at the start of `word`, 0 if there is none.
// Also reports whether the value is negative and the power of ten of its
// leading significant digit (used only when the value leaves double range).
struct DecimalPrefix {
  size_t length = 0;
  bool negative = false;
  bool all_zero = true;
  long long magnitude = 0;
};

DecimalPrefix ScanDecimal(std::string_view word) {
  DecimalPrefix prefix;
  size_t i = 0;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
    prefix.negative = word[i] == '-';
    ++i;
  }
  long long integer_digits = 0;  // significant digits before the point
  long long leading_zeros = 0;   // zeros after the point before a non-zero digit
  size_t digits = 0;
  while (i < word.size() && IsDigit(word[i])) {
    if (word[i] != '0' || !prefix.all_zero) {
      prefix.all_zero = false;
      ++integer_digits;
    }
    ++digits;
    ++i;
  }
  if (i < word.size() && word[i] == '.') {
    size_t j = i + 1;
    size_t fraction_digits = 0;
    while (j < word.size() && IsDigit(word[j])) {
      if (prefix.all_zero) {
        if (word[j] == '0') {
          ++leading_zeros;
        } else {
          prefix.all_zero = false;
        }
      }
      ++fraction_digits;
      ++j;
    }
    if (digits + fraction_digits > 0) {
      digits += fraction_digits;
      i = j;
    }
  }
  if (digits == 0) return {};
  prefix.length = i;
  prefix.magnitude = integer_digits > 0 ? integer_digits - 1 : -(leading_zeros + 1);

  if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
    size_t j = i + 1;
    bool exponent_negative = false;
    if (j < word.size() && (word[j] == '+' || word[j] == '-')) {
      exponent_negative = word[j] == '-';
      ++j;
    }
    if (j < word.size() && IsDigit(word[j])) {
      long long exponent = 0;
      for (; j < word.size() && IsDigit(word[j]); ++j) {
        // Saturates far beyond any double exponent; the digits still count.
        if (exponent < 1000000000) exponent = exponent * 10 + (word[j] - '0');
      }
      prefix.magnitude += exponent_negative ? -exponent : exponent;
      prefix.length = j;
    }
  }
  return prefix;
}

// Round-to-nearest narrowing of a double to float without the undefined
// behaviour of casting an out-of-range value.
float NarrowToFloat(double value) {
  // Halfway between FLT_MAX and 2^128: from here on the nearest float is
  // infinity (ties go to the even neighbour, which is 2^128).
  constexpr double kOverflow = 0x1.ffffffp127;
  if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
  if (std::fabs(value) >= kOverflow) {
    return std::signbit(value) ? -std::numeric_limits<float>::infinity()
                               : std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

}  // namespace

float ParseCoordinate(std::string_view word) {
  const DecimalPrefix prefix = ScanDecimal(word);
  if (prefix.length == 0) return 0.0f;
  // from_chars takes no leading '+'; the scan above has already checked the
  // form, so only the text to convert is handed over.
  const char* first = word.data();
  const char* last = word.data() + prefix.length;
  if (*first == '+' || *first == '-') ++first;
  double value = 0.0;
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    value = prefix.magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (result.ec != std::errc() || result.ptr != last) {
    value = 0.0;  // cannot happen for a scanned prefix; stay defined anyway
  }
  return NarrowToFloat(prefix.negative ? -value : value);
}

int32_t ParseInteger(std::string_view word) {
  size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
    negative = word[i] == '-';
    ++i;
  }
  // Accumulate the magnitude, stopping just past the int32 range.
  constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int32_t>::max()) + 1;
  long long magnitude = 0;
  for (; i < word.size() && IsDigit(word[i]); ++i) {
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (word[i] - '0');
  }
  const long long value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace curling
