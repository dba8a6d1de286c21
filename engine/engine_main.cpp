#include "engine/engine_main.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "engine/bench_command.h"
#include "engine/command_handler.h"
#include "engine/engine_options.h"
#include "engine/platform.h"
#include "engine/read_loop.h"
#include "engine/simulator_binding.h"
#include "engine/strong_session.h"

namespace curling {

int RunEngine() {
  return RunEngine([](char* line) { HandleCommand(line); });
}

int RunEngine(const LineReader::LineHandler& handle) {
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
  return RunReadLoop(handle);
}

int RunEngineCommandLine(int argc, const char* const* argv) {
  const EngineOptions options = ParseEngineOptions(argc, argv);
  switch (options.mode) {
    case EngineMode::kProtocol:
      return RunEngine();
    case EngineMode::kStrong:
      return RunStrongEngine(options.strong);
    case EngineMode::kBench:
      return RunBench();
    case EngineMode::kHelp:
      std::fputs(EngineUsage().c_str(), stdout);
      return 0;
    case EngineMode::kUsageError:
      break;
  }
  const std::string message = "curling-engine: " + options.error + "\n\n" + EngineUsage();
  std::fputs(message.c_str(), stderr);
  return 2;
}

}  // namespace curling
