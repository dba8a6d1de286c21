// curling-engine: plays one side of a curling game, driven by a server through
// standard input and output.
#include "engine/engine_main.h"

int main() {
  return curling::RunEngine();
}
