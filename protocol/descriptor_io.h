// Reads and writes on file descriptors as every program of ours does them:
// retried while a signal interrupts them, and a broken pipe reported as a
// failed write instead of ending the process. On Windows
// (descriptor_io_windows.cpp) the descriptors are the standard streams only,
// 0 to 2, read and written through their handles (ReadFile, WriteFile).
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace curling::protocol {

// One read(2) of at most `size` bytes from `fd` into `buffer`, retried while
// interrupted by a signal. Returns the byte count (> 0), 0 at end of input,
// or -1 on failure.
ssize_t ReadSome(int fd, char* buffer, size_t size);

// Writes all `size` bytes to `fd`, retrying short writes and EINTR. Returns
// false, the rest dropped, when a write fails (EPIPE included: the reader is
// gone; a full disk) or writes nothing.
bool WriteAll(int fd, const char* data, size_t size);

// Ignores SIGPIPE, so a write to a closed pipe fails with EPIPE instead of
// ending the process.
void IgnoreBrokenPipe();

}  // namespace curling::protocol
