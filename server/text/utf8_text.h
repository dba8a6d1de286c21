// Whether bytes are UTF-8 text. What ends up in the JSON files the server
// writes (names, commands, paths given on its command line) must be, or the
// file cannot be written as it was meant.
#pragma once

#include <string>

namespace curling::server {

bool IsUtf8(const std::string& bytes);

// The index of the first of argv[1..argc) that is not UTF-8 text, or 0.
int FirstArgumentNotUtf8(int argc, const char* const* argv);

}  // namespace curling::server
