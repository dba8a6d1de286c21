// Runs a program with arguments to completion (killed after a deadline),
// standard input from a string, and collects its output, errors and exit code.
#pragma once

#include <string>
#include <vector>

namespace curling::testing {

struct ProgramRun {
  int exit_code = -1;  // 124 when the deadline ended it
  std::string out;
  std::string errors;
};

// Runs `program` with `arguments` and LD_LIBRARY_PATH removed, feeding `input`.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input = "", int deadline_seconds = 300);

}  // namespace curling::testing
