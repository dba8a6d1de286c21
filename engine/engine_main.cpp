#include "engine/engine_main.h"

#include <cstdio>
#include <string>

#include "engine/bench_command.h"
#include "engine/command_handler.h"
#include "engine/engine_options.h"
#include "engine/platform.h"
#include "engine/strong_bench.h"
#include "engine/strong_session.h"
#include "game/simulator_binding.h"
#include "protocol/descriptor_io.h"
#include "protocol/read_loop.h"
#include "protocol/reply.h"

namespace curling {

int RunEngine() {
  CommandHandler commands(protocol::WriteReply);
  return RunEngine([&commands](char* line) { commands.Handle(line); });
}

int RunEngine(const protocol::LineReader::LineHandler& handle) {
  protocol::IgnoreBrokenPipe();
  std::string reason;
  if (!LoadSimulatorLibrary(reason)) return ReportLibraryLoadFailure(reason);
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
    case EngineMode::kStrongBench:
      return RunStrongBench(options.strong);
    case EngineMode::kHelp:
      std::fputs(EngineUsage().c_str(), stdout);
      return 0;
    case EngineMode::kVersion:
      std::fputs(EngineVersion().c_str(), stdout);
      return 0;
    case EngineMode::kUsageError:
      break;
  }
  const std::string message = "curling-engine: " + options.error + "\n\n" + EngineUsage();
  std::fputs(message.c_str(), stderr);
  return 2;
}

}  // namespace curling
