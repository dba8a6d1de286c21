#include "protocol/read_loop.h"

#include <cassert>

#include "protocol/descriptor_io.h"

namespace curling::protocol {

int RunReadLoop(const LineReader::LineHandler& handle, int input) {
  LineReader reader(kReadBufferSize);
  char buffer[kReadBufferSize];
  for (;;) {
    const ssize_t n = ReadSome(input, buffer, sizeof buffer);
    if (n <= 0) {
      // End of input or a failed read: the server is gone. A line it sent
      // without an end is still handled first.
      reader.Finish(handle);
      return 0;
    }
    assert(static_cast<size_t>(n) <= sizeof buffer);
    reader.Feed(std::string_view(buffer, static_cast<size_t>(n)), handle);
  }
}

}  // namespace curling::protocol
