#include "server/text/utf8_text.h"

#include <filesystem>

#include <nlohmann/json.hpp>

namespace curling::server {

bool IsUtf8(const std::string& bytes) {
  // The JSON writer validates strictly (no overlong forms, no surrogates, no
  // truncated sequences) and says so by throwing.
  try {
    (void)nlohmann::json(bytes).dump();
    return true;
  } catch (const nlohmann::json::type_error&) {
    return false;
  }
}

std::string AsUtf8(const std::string& bytes) {
  // The JSON writer replaces what it cannot write; reading its string back
  // gives the text.
  const std::string quoted =
      nlohmann::json(bytes).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return nlohmann::json::parse(quoted).get<std::string>();
}

std::string ArgumentNotUtf8(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (!IsUtf8(argv[i])) {
      return std::filesystem::path(argv[0]).filename().string() + ": argument " +
             std::to_string(i) + " is not UTF-8 text";
    }
  }
  return {};
}

}  // namespace curling::server
