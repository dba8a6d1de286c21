// Runs curling-match (MATCH_PATH, defined by the test's build) as a user
// would, in a fresh folder of the test's own that is kept when the test fails.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#ifndef MATCH_PATH
#error "MATCH_PATH must be defined by the build"
#endif

namespace curling::testing {

struct ProgramRun {
  int exit_code;
  std::string out;  // standard output and standard error together
};

class MatchProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    folder_ = fs::temp_directory_path() /
              ("curling-match-test-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    if (!HasFailure()) std::filesystem::remove_all(folder_);
  }

  // Runs curling-match with `arguments` (shell words), no standard input.
  ProgramRun RunMatch(const std::string& arguments) {
    const std::filesystem::path out = folder_ / "stdout.txt";
    const std::string command =
        std::string(MATCH_PATH) + " " + arguments + " > '" + out.string() + "' 2>&1 < /dev/null";
    const int status = std::system(command.c_str());
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
  }

  std::filesystem::path folder_;
};

}  // namespace curling::testing
