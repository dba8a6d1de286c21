// The protocol program: load the physics library, then serve commands.
#pragma once

#include <string>

namespace curling {

// File name of the physics library.
inline constexpr const char* kSimulatorLibraryName = "libCurlingSimulator.so";

// Loads the physics library at start: first from the executable's own folder
// by absolute path, then by bare name in the loader's default search order.
// On failure `reason` holds the reasons of both attempts, separated by "; ".
bool LoadSimulatorLibrary(std::string& reason);

// Runs the engine: returns 0 at the end of input, or 1 after writing the
// load-error message to standard error when the physics library cannot be
// loaded (nothing is read then).
int RunEngine();

}  // namespace curling
