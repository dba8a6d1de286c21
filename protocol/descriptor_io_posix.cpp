#include "protocol/descriptor_io.h"

#include <signal.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>

namespace curling::protocol {

ssize_t ReadSome(int fd, char* buffer, size_t size) {
  assert(size > 0 && "a read of nothing cannot tell the end of input");
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return n;
    if (errno != EINTR) return -1;
  }
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    assert(static_cast<size_t>(n) <= size);
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void IgnoreBrokenPipe() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGPIPE, &action, nullptr);
}

}  // namespace curling::protocol
