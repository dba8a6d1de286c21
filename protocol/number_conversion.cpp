#include "protocol/number_conversion.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace curling::protocol {
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
  long long magnitude = 0;
};

// A reading position in a word.
struct Cursor {
  std::string_view word;
  size_t at = 0;

  bool AtDigit() const { return at < word.size() && IsDigit(word[at]); }
  char Digit() const { return word[at]; }
  // Steps over the byte at the cursor when it is `a` or `b`.
  bool Take(char a, char b) {
    if (at >= word.size() || (word[at] != a && word[at] != b)) return false;
    ++at;
    return true;
  }
  char Previous() const { return word[at - 1]; }
};

// The digits before the point: how many, and how many from the first
// non-zero one on.
struct IntegerPart {
  size_t digits = 0;
  long long significant = 0;
};

IntegerPart ScanIntegerPart(Cursor& cursor) {
  IntegerPart part;
  for (; cursor.AtDigit(); ++cursor.at) {
    ++part.digits;
    if (part.significant > 0 || cursor.Digit() != '0') ++part.significant;
  }
  return part;
}

// The point and the digits after it: how many, and how many zeros come
// before the first non-zero one.
struct FractionPart {
  size_t digits = 0;
  long long leading_zeros = 0;
};

FractionPart ScanFraction(Cursor& cursor) {
  FractionPart part;
  if (!cursor.Take('.', '.')) return part;
  bool non_zero_seen = false;
  for (; cursor.AtDigit(); ++cursor.at) {
    ++part.digits;
    non_zero_seen = non_zero_seen || cursor.Digit() != '0';
    if (!non_zero_seen) ++part.leading_zeros;
  }
  return part;
}

// An exponent at the cursor ('e' or 'E', optional sign, at least one digit):
// stores it in `exponent` and steps over it. Without one the cursor stays.
bool ScanExponent(Cursor& cursor, long long& exponent) {
  Cursor at = cursor;
  if (!at.Take('e', 'E')) return false;
  const bool negative = at.Take('+', '-') && at.Previous() == '-';
  if (!at.AtDigit()) return false;
  long long value = 0;
  for (; at.AtDigit(); ++at.at) {
    // Saturates far beyond any double exponent; the digits still count.
    if (value < 1000000000) value = value * 10 + (at.Digit() - '0');
  }
  exponent = negative ? -value : value;
  cursor = at;
  return true;
}

DecimalPrefix ScanDecimal(std::string_view word) {
  Cursor cursor{word};
  DecimalPrefix prefix;
  prefix.negative = cursor.Take('+', '-') && cursor.Previous() == '-';
  const IntegerPart integer = ScanIntegerPart(cursor);
  const FractionPart fraction = ScanFraction(cursor);
  if (integer.digits + fraction.digits == 0) return {};
  prefix.magnitude =
      integer.significant > 0 ? integer.significant - 1 : -(fraction.leading_zeros + 1);
  long long exponent = 0;
  if (ScanExponent(cursor, exponent)) prefix.magnitude += exponent;
  prefix.length = cursor.at;
  assert(prefix.length <= word.size());
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
    assert(false && "from_chars refused a scanned decimal prefix");
    value = 0.0;  // stay defined in a build without asserts
  }
  return NarrowToFloat(prefix.negative ? -value : value);
}

bool StartsWithNumber(std::string_view word) {
  return ScanDecimal(word).length > 0;
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

}  // namespace curling::protocol
