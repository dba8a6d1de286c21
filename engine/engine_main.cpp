#include "engine/engine_main.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "engine/bench_command.h"
#include "engine/command_handler.h"
#include "engine/engine_options.h"
#include "engine/platform.h"
#include "engine/strong_session.h"
#include "game/simulator_binding.h"
#include "protocol/descriptor_io.h"
#include "protocol/read_loop.h"
#include "protocol/reply.h"

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
  CommandHandler commands(protocol::WriteReply);
  return RunEngine([&commands](char* line) { commands.Handle(line); });
}

int RunEngine(const protocol::LineReader::LineHandler& handle) {
  protocol::IgnoreBrokenPipe();
  std::string reason;
  if (!LoadSimulatorLibrary(reason)) {
    for (char& c : reason) {
      if (c == '\n' || c == '\r') c = ' ';  // the reason stays one line
    }
    const std::string message = std::string("エラー: ") + kSimulatorLibraryName +
                                " の読み込みに失敗しました\n" + reason + "\n";
    protocol::WriteAll(STDERR_FILENO, message.data(), message.size());
    return 1;
  }
  return protocol::RunReadLoop(handle);
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
