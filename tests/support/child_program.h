// A program under test run as a child process (the match server's
// ChildProcess), its standard input, output and error on pipes. Every wait
// has a deadline, so a hung program fails the test instead of hanging it.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "server/seat/child_process.h"

namespace curling::testing {

class ChildProgram {
 public:
  // Starts `executable` with `arguments`. LD_LIBRARY_PATH is removed from
  // the environment, or set to `library_path` when that is not empty.
  explicit ChildProgram(const std::string& executable, const std::string& library_path = "",
                        const std::vector<std::string>& arguments = {},
                        std::chrono::milliseconds deadline = std::chrono::seconds(10));
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  // Writes `bytes` to the program's input with one write call (below the
  // pipe's atomic size, so one read of the program sees all of it).
  void Send(const std::string& bytes);
  void CloseInput() { child_.CloseInput(); }
  // Closes our end of the program's output: its later writes get EPIPE.
  void CloseOutput() { child_.CloseOutput(); }

  // Reads the output until `size` bytes arrived, or until what arrived ends
  // with `suffix`, or until the program closes it (each up to the deadline).
  std::string Read(size_t size);
  std::string ReadUntil(const std::string& suffix);
  std::string ReadAll();
  std::string ReadAllErrors();

  // Waits for the program to end. Returns its exit code, 128 + the signal
  // when a signal ended it, or -1 when it had to be killed at the deadline.
  int Wait();

  // Bytes sent but not yet read by the program.
  int UnreadInput() const { return child_.UnreadInput(); }

 private:
  std::chrono::milliseconds deadline_;
  server::ChildProcess child_;
  // A reader of the program's input of our own, so that what is sent stays
  // countable (and writes succeed) after the program has gone.
  int input_reader_ = -1;
};

// A finished run of a program: exit code (-1 when the deadline ended it),
// standard output and standard error.
struct ProgramRun {
  int exit_code = -1;
  std::string out;
  std::string errors;
};

// Runs `program` with `arguments` and LD_LIBRARY_PATH removed, feeding `input`.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input = "");

}  // namespace curling::testing
