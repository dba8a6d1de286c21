// Whether bytes are UTF-8 text. What ends up in the JSON files the server
// writes (names, commands, paths given on its command line) must be, or the
// file cannot be written as it was meant.
#pragma once

#include <string>

namespace curling::server {

bool IsUtf8(const std::string& bytes);

// `bytes` with every sequence that is not UTF-8 replaced by U+FFFD, for text
// that must be shown whatever it holds (a name read from a database).
std::string AsUtf8(const std::string& bytes);

// "<program>: argument N is not UTF-8 text" for the first of argv[1..argc)
// that is not, or empty when all are.
std::string ArgumentNotUtf8(int argc, const char* const* argv);

}  // namespace curling::server
