// The protocol program: load the physics library, then serve commands.
#pragma once

namespace curling {

// Runs the engine: returns 0 at the end of input, or 1 after writing the
// load-error message to standard error when the physics library cannot be
// loaded (nothing is read then).
int RunEngine();

}  // namespace curling
