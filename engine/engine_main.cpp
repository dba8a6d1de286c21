#include "engine/engine_main.h"

#include <unistd.h>

#include "engine/platform.h"
#include "engine/read_loop.h"
#include "game/simulator_binding.h"

namespace curling {

bool LoadSimulatorLibrary(std::string& reason) {
  std::string directory_reason;
  const std::string directory = ExecutableDirectory(directory_reason);
  std::string first_reason = directory_reason;
  if (!directory.empty()) {
    if (LoadSimulator(directory + kSimulatorLibraryName, first_reason)) return true;
  }
  std::string second_reason;
  if (LoadSimulator(kSimulatorLibraryName, second_reason)) return true;
  reason = first_reason + "; " + second_reason;
  return false;
}

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
