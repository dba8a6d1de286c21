// Sends file descriptor 1 to a temporary file while alive, so that replies
// (written straight to the descriptor, bypassing stdio) can be collected.
#pragma once

#include <cstdio>
#include <string>

namespace curling {

class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  // Restores file descriptor 1 and returns every byte written since
  // construction (nothing when no temporary file could be made).
  std::string Finish();

 private:
  void Restore();
  std::FILE* file_ = nullptr;
  int saved_ = -1;
};

}  // namespace curling
