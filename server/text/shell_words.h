// Splits a command line into words the way a POSIX shell splits a simple
// command, without running any shell: blanks separate words; '...' keeps its
// text as it is; "..." keeps it but lets a backslash escape " \ $ and `; a
// backslash outside quotes keeps the next character. No expansions.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace curling::server {

// nullopt (with `error` set) for an unterminated quote or a trailing backslash.
std::optional<std::vector<std::string>> SplitShellWords(std::string_view line, std::string& error);

}  // namespace curling::server
