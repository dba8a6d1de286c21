// curling-engine: plays one side of a curling game, driven by a server through
// standard input and output; "curling-engine --strong" is the strong engine,
// "curling-engine bench" runs the bench positions, "--help" says more.
#include "engine/engine_main.h"

int main(int argc, char** argv) {
  return curling::RunEngineCommandLine(argc, argv);
}
