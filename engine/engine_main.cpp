#include "engine/engine_main.h"

#include <unistd.h>

#include <string>

#include "engine/platform.h"
#include "engine/read_loop.h"
#include "engine/simulator_binding.h"

namespace curling {

int RunEngine() {
  IgnoreBrokenPipe();
  std::string reason;
  if (!LoadSimulatorLibrary(reason)) {
    for (char& c : reason) {
      if (c == '\n' || c == '\r') c = ' ';  // the reason stays one line
    }
    const std::string message = std::string("エラー: ") + kSimulatorLibraryName +
                                " の読み込みに失敗しました\n" + reason + "\n";
    WriteAll(STDERR_FILENO, message.data(), message.size());
    return 1;
  }
  return RunReadLoop();
}

}  // namespace curling
