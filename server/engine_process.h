// One engine as a child process (ChildProcess): commands written to its
// standard input one line at a time, its replies read with deadlines, its
// standard error sent to a log file.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "server/child_process.h"

namespace curling::server {

using Clock = std::chrono::steady_clock;

enum class IoStatus {
  kOk,
  kTimeout,      // the deadline passed first
  kClosed,       // the engine closed its end of the pipe or exited
  kInterrupted,  // the server was asked to stop
};

class EngineProcess {
 public:
  // Starts argv[0] (looked up in PATH when it has no slash) with the other
  // words as its arguments. On failure `error` says why.
  bool Start(const std::vector<std::string>& argv, const std::string& stderr_log,
             std::string& error);

  // Writes `command` and a line feed in one write once the engine has read
  // everything sent before (the pipe holds no bytes), so that each read of
  // the engine sees exactly one command line.
  IoStatus Send(std::string_view command, Clock::time_point deadline);

  // Waits until bytes arrive or the deadline passes and appends what came.
  IoStatus Read(std::string& out, Clock::time_point deadline);

  // Closes the engine's input, gives it `grace` to end, then kills its
  // process group; always reaps it. Safe to call more than once.
  void Stop(std::chrono::milliseconds grace);
  // Kills the process group at once and reaps the engine.
  void Kill() { child_.Kill(); }

  bool running() { return child_.running(); }
  pid_t pid() const { return child_.pid(); }
  // "exited with code N" / "killed by signal N" once it ended, else "running".
  std::string ExitDescription() { return child_.ExitDescription(); }

 private:
  ChildProcess child_;
};

}  // namespace curling::server
