// Runs a curling-engine process with pipes on its standard input, output and
// error, for protocol conversations in tests. Every wait has a deadline, so a
// hung engine fails the test instead of hanging it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace curling::testing {

class EngineProcess {
 public:
  // Starts `executable` with `arguments`. LD_LIBRARY_PATH is removed from
  // the environment, or set to `library_path` when that is not empty.
  explicit EngineProcess(const std::string& executable, const std::string& library_path = "",
                         const std::vector<std::string>& arguments = {},
                         std::chrono::milliseconds deadline = std::chrono::seconds(10));
  ~EngineProcess();
  EngineProcess(const EngineProcess&) = delete;
  EngineProcess& operator=(const EngineProcess&) = delete;

  // Writes `bytes` to the engine's input with one write call (below the pipe's
  // atomic size, so one read of the engine sees all of it).
  void Send(const std::string& bytes);
  void CloseInput();
  // Closes our end of the engine's output: its later writes get EPIPE.
  void CloseOutput();

  // Reads the engine's output until `size` bytes arrived or the deadline.
  std::string Read(size_t size);
  // Reads the engine's output until what arrived ends with `suffix` (or the
  // deadline).
  std::string ReadUntil(const std::string& suffix);
  // Reads the engine's output until the engine closes it (or the deadline).
  std::string ReadAll();
  std::string ReadAllErrors();

  // Waits for the engine to end. Returns its exit code, 128 + the signal when
  // a signal ended it, or -1 when it had to be killed at the deadline.
  int Wait();

  // Bytes sent but not yet read by the engine (our copy of the read end).
  int UnreadInput() const;

 private:
  std::chrono::milliseconds deadline_;
  pid_t pid_ = -1;
  int input_ = -1;
  int input_read_end_ = -1;
  int output_ = -1;
  int errors_ = -1;
};

}  // namespace curling::testing
