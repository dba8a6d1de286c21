// Runs a program with arguments to completion (killed after a deadline),
// standard input from a string, and collects its output, errors and exit code.
#pragma once

#include <string>
#include <vector>

#include "tests/engine/engine_process.h"

namespace curling::testing {

struct ProgramRun {
  int exit_code = -1;  // -1 when the deadline ended it
  std::string out;
  std::string errors;
};

// Runs `program` with `arguments` and LD_LIBRARY_PATH removed, feeding `input`.
inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& input = "") {
  EngineProcess process(program, "", arguments, std::chrono::minutes(5));
  process.Send(input);
  process.CloseInput();
  ProgramRun run;
  run.out = process.ReadAll();
  run.errors = process.ReadAllErrors();
  run.exit_code = process.Wait();
  return run;
}

}  // namespace curling::testing
