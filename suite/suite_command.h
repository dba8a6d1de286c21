// The command line of curling-suite: solve, run and the pages.
#pragma once

namespace curling::suite {

// Exit code: 0 done, 2 a usage error or a bad suite file, 1 a failure of
// the run itself (an output that could not be written).
int RunSuiteProgram(int argc, char** argv);

}  // namespace curling::suite
