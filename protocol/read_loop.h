// An engine's main loop: read its input, handle each command line.
#pragma once

#include <unistd.h>

#include <cstddef>

#include "protocol/line_reader.h"

namespace curling::protocol {

// Size of one read of the input.
inline constexpr size_t kReadBufferSize = 1024;

// Reads `input` (standard input unless given) kReadBufferSize bytes at a time
// until end of input or a failing read, handing every line to `handle` as it
// completes (LineReader). Returns the exit code, 0.
int RunReadLoop(const LineReader::LineHandler& handle, int input = STDIN_FILENO);

}  // namespace curling::protocol
