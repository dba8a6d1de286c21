// Captures what the code under test writes to file descriptor 1 (the engine
// writes its replies there directly, bypassing stdio).
#pragma once

#include "engine/stdout_capture.h"

namespace curling::testing {

using StdoutCapture = curling::StdoutCapture;

}  // namespace curling::testing
