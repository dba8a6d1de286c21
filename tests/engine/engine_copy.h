// A folder of its own holding a copy of curling-engine (CURLING_ENGINE_PATH,
// defined by the test's build) and, optionally, a library copied next to it.
// Removed at the end of the test.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#ifndef CURLING_ENGINE_PATH
#error "CURLING_ENGINE_PATH must be defined by the build"
#endif

namespace curling::testing {

class EngineCopy {
 public:
  explicit EngineCopy(const std::string& library = "") {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "curling-engine-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    fs::copy_file(CURLING_ENGINE_PATH, dir_ / "curling-engine");
    if (!library.empty()) fs::copy_file(library, dir_ / "libCurlingSimulator.so");
  }
  ~EngineCopy() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  EngineCopy(const EngineCopy&) = delete;
  EngineCopy& operator=(const EngineCopy&) = delete;

  std::string Engine() const { return (dir_ / "curling-engine").string(); }

 private:
  std::filesystem::path dir_;
};

}  // namespace curling::testing
