#include "protocol/number_conversion.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

namespace curling::protocol {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(ParseCoordinateTest, DecimalFormsAndLongestValidLeadingPart) {
  EXPECT_EQ(ParseCoordinate("-2.5"), -2.5f);
  EXPECT_EQ(ParseCoordinate("+3"), 3.0f);
  EXPECT_EQ(ParseCoordinate(".5"), 0.5f);
  EXPECT_EQ(ParseCoordinate("5."), 5.0f);
  EXPECT_EQ(ParseCoordinate("5.e3"), 5000.0f);
  EXPECT_EQ(ParseCoordinate("2.5E+2"), 250.0f);
  EXPECT_EQ(ParseCoordinate("1.5e-2"), static_cast<float>(0.015));
  EXPECT_EQ(ParseCoordinate("4.88"), 4.88f);
  EXPECT_TRUE(std::signbit(ParseCoordinate("-0")));
  EXPECT_EQ(ParseCoordinate("2.375x"), 2.375f);
  EXPECT_EQ(ParseCoordinate("1e+"), 1.0f);
  EXPECT_EQ(ParseCoordinate("1.2.3"), 1.2f);
  EXPECT_EQ(ParseCoordinate("0x10"), 0.0f);
  EXPECT_EQ(ParseCoordinate("3,5"), 3.0f);  // the decimal point is always '.'
}

TEST(ParseCoordinateTest, NoNumberGivesZero) {
  for (const char* word : {"", "-", "+", ".", "-.", "e5", "nan", "NAN", "inf", "-inf", "infinity",
                           "\t5", "x1", "--1", "+-1"}) {
    const float value = ParseCoordinate(word);
    EXPECT_EQ(value, 0.0f) << "'" << word << "'";
    EXPECT_FALSE(std::isnan(value)) << "'" << word << "'";
  }
}

TEST(ParseCoordinateTest, RangeLimits) {
  // Beyond float range the value narrows to an infinity of its sign; the
  // boundary is halfway between FLT_MAX and 2^128.
  EXPECT_EQ(ParseCoordinate("1e39"), kInf);
  EXPECT_EQ(ParseCoordinate("-1e39"), -kInf);
  EXPECT_EQ(ParseCoordinate("3.4028235e38"), FLT_MAX);
  EXPECT_EQ(ParseCoordinate("3.40282356e38"), FLT_MAX);
  EXPECT_EQ(ParseCoordinate("3.40282357e38"), kInf);
  // Beyond double range as well, including absurd exponents.
  EXPECT_EQ(ParseCoordinate("1e400"), kInf);
  EXPECT_EQ(ParseCoordinate("-1e99999999999999999999"), -kInf);
  EXPECT_EQ(ParseCoordinate("1e-99999999999999999999"), 0.0f);
  EXPECT_EQ(ParseCoordinate("0." + std::string(2000, '0') + "1"), 0.0f);
  EXPECT_EQ(ParseCoordinate("0." + std::string(500, '0') + "1e510"), 1e9f);
  EXPECT_EQ(ParseCoordinate("1e-45"), static_cast<float>(1e-45));  // smallest subnormal
  EXPECT_EQ(ParseCoordinate("123456789012345678901234567890"),
            static_cast<float>(123456789012345678901234567890.0));
}

TEST(ParseIntegerTest, SignAndDigits) {
  EXPECT_EQ(ParseInteger("-7"), -7);
  EXPECT_EQ(ParseInteger("+008"), 8);
  EXPECT_EQ(ParseInteger("12abc"), 12);
  EXPECT_EQ(ParseInteger("1.9"), 1);
  EXPECT_EQ(ParseInteger("1e3"), 1);
  for (const char* word : {"", "-", "+", "abc", "\t5", ".5", "--1"}) {
    EXPECT_EQ(ParseInteger(word), 0) << "'" << word << "'";
  }
}

TEST(ParseIntegerTest, ClampsToInt32Range) {
  EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseInteger("2147483648"), 2147483647);
  EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseInteger("-2147483649"), -2147483647 - 1);
  EXPECT_EQ(ParseInteger("99999999999999999999999999"), 2147483647);
  EXPECT_EQ(ParseInteger("-" + std::string(300, '9')), -2147483647 - 1);
  EXPECT_EQ(ParseInteger(std::string(300, '0') + "5"), 5);
}

}  // namespace
}  // namespace curling::protocol
