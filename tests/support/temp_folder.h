// A fresh folder of the test's own under the temporary folder, named after
// the process and the test, kept when the test fails so that what it left
// can be looked at.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace curling::testing {

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("curling-test-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    if (!HasFailure()) std::filesystem::remove_all(folder_);
  }

  std::filesystem::path folder_;
};

}  // namespace curling::testing
