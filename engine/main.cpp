// curling-engine: plays one side of a curling game, driven by a server through
// standard input and output; "curling-engine bench" runs the bench positions.
#include "engine/bench_command.h"

int main(int argc, char** argv) {
  return curling::RunEngineCommandLine(argc, argv);
}
