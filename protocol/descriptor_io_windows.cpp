#include <windows.h>

#include <cassert>

#include "protocol/descriptor_io.h"

namespace curling::protocol {
namespace {

// The standard handle that stands for descriptor 0, 1 or 2, as the process
// has it now (looked up at every call: the handles can change while the
// process runs).
HANDLE StandardHandle(int fd) {
  assert(fd >= 0 && fd <= 2 && "only the standard streams are descriptors here");
  const DWORD which[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  return GetStdHandle(which[fd]);
}

DWORD Clamp(size_t size) {
  return size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
}

}  // namespace

ssize_t ReadSome(int fd, char* buffer, size_t size) {
  assert(size > 0 && "a read of nothing cannot tell the end of input");
  DWORD read = 0;
  if (!ReadFile(StandardHandle(fd), buffer, Clamp(size), &read, nullptr)) return -1;
  // Zero bytes read successfully is the end of a file or of a console's
  // input, and how Wine reports a pipe closed by its writer (Windows fails
  // the read instead): the end of input either way, as on Linux.
  return static_cast<ssize_t>(read);
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(StandardHandle(fd), data, Clamp(size), &written, nullptr) || written == 0) {
      return false;
    }
    assert(written <= size);
    data += written;
    size -= written;
  }
  return true;
}

// A write to a pipe whose reader is gone fails on Windows; no signal comes.
void IgnoreBrokenPipe() {}

}  // namespace curling::protocol
