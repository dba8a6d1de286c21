#include "engine/read_loop.h"

#include "engine/platform.h"

namespace curling {

int RunReadLoop(const LineReader::LineHandler& handle) {
  LineReader reader(kReadBufferSize);
  char buffer[kReadBufferSize];
  for (;;) {
    const ssize_t n = ReadStandardInput(buffer, sizeof buffer);
    if (n <= 0) {
      // End of input or a failed read: the server is gone. A line it sent
      // without an end is still handled first.
      reader.Finish(handle);
      return 0;
    }
    reader.Feed(std::string_view(buffer, static_cast<size_t>(n)), handle);
  }
}

}  // namespace curling
