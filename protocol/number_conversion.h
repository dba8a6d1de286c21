// Conversion of command words to numbers, independent of the system locale.
#pragma once

#include <cstdint>
#include <string_view>

namespace curling::protocol {

// The longest leading part of `word` that forms a decimal number: optional
// sign, digits with an optional '.' and fraction (".5" and "5." count), and an
// optional exponent. It is converted to double, rounded to nearest, then
// narrowed to float; a value beyond float range becomes an infinity of its
// sign. No leading part (also "nan", "inf", a tab in front) gives 0.0;
// "0x10" gives 0.0 from its leading "0".
float ParseCoordinate(std::string_view word);

// Whether `word` starts with a decimal number as ParseCoordinate reads it
// (so that its 0.0 for "nan" or "x" can be told from a real zero).
bool StartsWithNumber(std::string_view word);

// The longest leading part of `word` made of an optional sign and decimal
// digits, clamped to the int32 range. No digits in front gives 0.
int32_t ParseInteger(std::string_view word);

}  // namespace curling::protocol
