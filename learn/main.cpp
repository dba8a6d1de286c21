// curling-learn (docs/learned-value.md).
#include "learn/learn_command.h"

int main(int argc, char** argv) {
  return curling::learn::RunLearnProgram(argc, argv);
}
