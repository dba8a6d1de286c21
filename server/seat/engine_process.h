// One engine as a child process (ChildProcess): commands written to its
// standard input one line at a time, its replies read with deadlines, its
// standard error sent to a log file.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "server/seat/child_process.h"
#include "server/seat/deadline.h"

namespace curling::server {

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
  // A non-empty `working_folder` is where it runs (a relative program path is
  // taken from there).
  bool Start(const std::vector<std::string>& argv, const std::string& stderr_log,
             const std::string& working_folder, std::string& error);

  // Writes `command` and a line feed in one write once the engine has read
  // everything sent before (the pipe holds no bytes), so that each read of
  // the engine sees exactly one command line. `writing` (when given) receives
  // the moment just before the write: an engine woken by it may run and
  // answer before the write returns.
  IoStatus Send(std::string_view command, Clock::time_point deadline,
                Clock::time_point* writing = nullptr);

  // Waits until bytes arrive or the deadline passes and appends what came.
  IoStatus Read(std::string& out, Clock::time_point deadline);

  // Closes the engine's input, gives it `grace` to end, then kills its
  // process group; always reaps it. Safe to call more than once.
  void Stop(std::chrono::milliseconds grace);
  // Kills the process group at once and reaps the engine.
  void Kill() { child_.Kill(); }

  // A flag that, once raised, stops every wait like an interrupt does (a
  // tournament's games still running when its test has decided, say).
  void set_stop_flag(const std::atomic<bool>* flag) { stop_flag_ = flag; }

  bool running() { return child_.running(); }
  pid_t pid() const { return child_.pid(); }
  // "exited with code N" / "killed by signal N" once it ended, else "running".
  std::string ExitDescription() { return child_.ExitDescription(); }

 private:
  bool StopRequested() const;

  ChildProcess child_;
  const std::atomic<bool>* stop_flag_ = nullptr;
};

}  // namespace curling::server
