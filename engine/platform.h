// The few operating-system services the engine front end needs: standard
// input and output as file descriptors 0 and 1, the executable's own folder,
// and protection against a server that closes its end of the output pipe.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace curling {

// One read(2) of standard input into `buffer`, retried while interrupted by a
// signal. Returns the byte count (> 0), 0 at end of input, or -1 on failure.
ssize_t ReadStandardInput(char* buffer, size_t size);

// Writes all `size` bytes to `fd`, retrying short writes and EINTR. Any other
// failure (EPIPE included: the reader is gone) drops the rest silently.
void WriteAll(int fd, const char* data, size_t size);

// The folder that holds the running executable (from /proc/self/exe), with a
// trailing slash. Empty when it cannot be found out; `reason` then says why.
std::string ExecutableDirectory(std::string& reason);

// Ignores SIGPIPE, so a write to a closed pipe fails with EPIPE instead of
// ending the process.
void IgnoreBrokenPipe();

}  // namespace curling
