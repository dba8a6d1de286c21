#include "engine/stdout_capture.h"

#include <unistd.h>

namespace curling {

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  file_ = std::tmpfile();
  if (file_ == nullptr) return;
  saved_ = ::dup(STDOUT_FILENO);
  if (saved_ < 0 || ::dup2(::fileno(file_), STDOUT_FILENO) < 0) Restore();
}

StdoutCapture::~StdoutCapture() {
  Restore();
  if (file_ != nullptr) std::fclose(file_);
}

std::string StdoutCapture::Finish() {
  Restore();
  std::string text;
  if (file_ == nullptr) return text;
  std::rewind(file_);
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
    text.append(buffer, n);
  return text;
}

void StdoutCapture::Restore() {
  if (saved_ < 0) return;
  ::dup2(saved_, STDOUT_FILENO);
  ::close(saved_);
  saved_ = -1;
}

}  // namespace curling
