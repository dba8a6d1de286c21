// Suite files: JSON Lines, a header line and then one position a line
// (docs/suites.md). Blank lines and lines starting with '#' are skipped.
// Reading refuses the whole file at its first bad line with
// "FILE:LINE: what is wrong"; writing gives back what was read, line for line.
#pragma once

#include <filesystem>
#include <istream>
#include <ostream>
#include <string>

#include "suite/suite.h"

namespace curling::suite {

struct SuiteRead {
  Suite suite;
  std::string error;  // empty when the file was read whole
};

// `source` names the input in error messages.
SuiteRead ParseSuite(std::istream& in, const std::string& source);
SuiteRead LoadSuite(const std::filesystem::path& path);

void WriteSuite(std::ostream& out, const Suite& suite);
// Writes to a temporary file beside `path` and renames it over `path`, so a
// failed write leaves the old file whole. Returns "" or why it failed.
std::string SaveSuite(const std::filesystem::path& path, const Suite& suite);

}  // namespace curling::suite
