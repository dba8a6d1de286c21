// Captures what the code under test writes to file descriptor 1 (the engine
// writes its replies there directly, bypassing stdio).
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

namespace curling::testing {

class StdoutCapture {
 public:
  StdoutCapture() {
    std::fflush(stdout);
    file_ = std::tmpfile();
    saved_ = ::dup(STDOUT_FILENO);
    ::dup2(::fileno(file_), STDOUT_FILENO);
  }
  ~StdoutCapture() {
    Restore();
    std::fclose(file_);
  }
  // Restores fd 1 and returns every byte written since construction.
  std::string Finish() {
    Restore();
    std::string text;
    std::rewind(file_);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
      text.append(buffer, n);
    return text;
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
    saved_ = -1;
  }
  std::FILE* file_ = nullptr;
  int saved_ = -1;
};

}  // namespace curling::testing
