// The engine's main loop: read standard input, handle each command line.
#pragma once

#include <cstddef>

namespace curling {

// Size of one read of standard input.
inline constexpr size_t kReadBufferSize = 1024;

// Reads standard input until end of input or a failing read, handling every
// line with one CommandHandler as it completes, its replies written to
// standard output. Returns the exit code, 0.
int RunReadLoop();

}  // namespace curling
