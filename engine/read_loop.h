// The engine's main loop: read standard input, handle each command line.
#pragma once

#include <cstddef>

#include "engine/line_reader.h"

namespace curling {

// Size of one read of standard input.
inline constexpr size_t kReadBufferSize = 1024;

// Reads standard input until end of input or a failing read, handing every
// line to `handle` as it completes. Returns the exit code, 0.
int RunReadLoop(const LineReader::LineHandler& handle);

}  // namespace curling
