#include "server/text/float_text.h"

#include <charconv>
#include <cstdlib>

namespace curling::server {

std::string FloatText(float value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

double FloatAsShortDouble(float value) {
  const std::string text = FloatText(value);
  double out = 0;
  std::from_chars(text.data(), text.data() + text.size(), out);
  return out;
}

}  // namespace curling::server
