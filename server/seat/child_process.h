// A program run as a child process, its standard input and output pipes held
// by the parent; its standard error goes to a log file (the first 16 MiB, then
// a note that the rest was dropped), or to a third pipe when no file is named.
// The child runs in a process group of its own with default signal handling,
// so that it and anything it started can be stopped together, and is killed
// (SIGKILL) when the thread that started it ends, however the parent ends:
// SIGKILL included. Starting one makes the parent ignore SIGPIPE: a write to a
// child that has gone fails with EPIPE instead of ending the parent.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <thread>
#include <vector>

namespace curling::server {

class ChildProcess {
 public:
  static constexpr size_t kMaxLogBytes = 16 << 20;

  ChildProcess() = default;
  ~ChildProcess();  // kills and reaps a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts argv[0] (looked up in PATH when it has no slash) with the other
  // words as its arguments, and `environment` ("NAME=value" entries) instead
  // of the parent's when given, in `working_folder` when one is named (a
  // relative program path is then taken from there). On failure `error` says
  // why. One child per object.
  bool Start(const std::vector<std::string>& argv, const std::string& stderr_log,
             std::string& error, const std::vector<std::string>* environment = nullptr,
             const std::string& working_folder = {});

  int input() const { return input_; }    // the child's standard input; -1 once closed
  int output() const { return output_; }  // the child's standard output
  int errors() const { return errors_; }  // its standard error, when not to a file
  void CloseInput();
  void CloseOutput();
  // Bytes written to the child's input that it has not read yet, or -1.
  int UnreadInput() const;

  // Collects the child's exit status once it has ended, waiting for it when
  // `block`. True once the child is reaped (or was never started).
  bool Reap(bool block);
  bool running() { return pid_ >= 0 && !Reap(false); }
  pid_t pid() const { return pid_; }
  // The wait status of the reaped child (see waitpid).
  int wait_status() const { return wait_status_; }
  // "exited with code N" / "killed by signal N (SIGNAME)" once it ended,
  // else "running".
  std::string ExitDescription();

  // Closes the pipes, kills the process group at once and reaps the child.
  // Safe to call more than once.
  void Kill();

 private:
  // Copies the child's standard error into the log file until the child's
  // side closes or Kill() asks it to stop.
  void StartLogCopy(int from, int log);
  void StopLogCopy();

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  int errors_ = -1;
  bool reaped_ = false;
  bool killed_ = false;
  int wait_status_ = 0;
  std::thread log_copier_;
  int stop_copy_ = -1;  // written to once to stop the copier
};

}  // namespace curling::server
