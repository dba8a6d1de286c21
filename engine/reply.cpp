#include "engine/reply.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace curling {

void WriteReply(const char* text) {
  const char* p = text;
  size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t n = ::write(STDOUT_FILENO, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // the server is gone or the pipe is broken: the reply is dropped
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}

}  // namespace curling
