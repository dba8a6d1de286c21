// Runs curling-match (MATCH_PATH, defined by the test's build) as a user
// would, in a folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "server/text/shell_words.h"
#include "tests/support/child_program.h"
#include "tests/support/temp_folder.h"

#ifndef MATCH_PATH
#error "MATCH_PATH must be defined by the build"
#endif

namespace curling::testing {

class MatchProgramFixture : public TempFolderTest {
 protected:
  // Runs curling-match with `arguments` (split like a shell would, without
  // one), no standard input; its standard error follows its output.
  ProgramRun RunMatch(const std::string& arguments) {
    std::string error;
    const auto words = server::SplitShellWords(arguments, error);
    EXPECT_TRUE(words) << error;
    ProgramRun run = RunProgram(MATCH_PATH, words.value_or(std::vector<std::string>{}));
    run.out += run.errors;
    return run;
  }
};

}  // namespace curling::testing
