// curling-suite: shot-selection suites with exact answers (docs/suites.md).
#include "suite/suite_command.h"

int main(int argc, char** argv) {
  return curling::suite::RunSuiteProgram(argc, argv);
}
