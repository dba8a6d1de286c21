// The protocol program: load the physics library, then serve commands.
#pragma once

#include <string>

#include "protocol/line_reader.h"

namespace curling {

// Runs the engine: loads the physics library, then hands every command line
// to `handle` (the default engine's command handler, its replies written to
// standard output, unless given). Returns 0 at the end of input; when the
// library cannot be loaded, reads nothing and returns what
// ReportLibraryLoadFailure (engine/platform.h) does.
int RunEngine(const protocol::LineReader::LineHandler& handle);
int RunEngine();

// The whole program: dispatches on the command line (engine/engine_options.h).
// A usage error writes what was wrong and the usage to standard error and
// returns 2; --help writes the usage to standard output and returns 0.
int RunEngineCommandLine(int argc, const char* const* argv);

}  // namespace curling
