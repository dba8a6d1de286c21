#include "tests/engine/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace curling::testing {
namespace {

using Clock = std::chrono::steady_clock;

void MakePipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Appends what `fd` delivers until `size` bytes are in `out`, end of file or
// the deadline. Returns false at end of file.
bool ReadInto(int fd, std::string& out, size_t size, Clock::time_point deadline) {
  while (out.size() < size) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, MillisecondsLeft(deadline));
    if (ready <= 0) return true;  // deadline: the caller sees the short result
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    out.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

// Everything `fd` delivers until end of file (or the deadline).
std::string ReadToEnd(int fd, Clock::time_point deadline) {
  std::string out;
  while (ReadInto(fd, out, out.size() + 1, deadline) && MillisecondsLeft(deadline) > 0) {
  }
  return out;
}

}  // namespace

EngineProcess::EngineProcess(const std::string& executable, const std::string& library_path,
                             const std::vector<std::string>& arguments,
                             std::chrono::milliseconds deadline)
    : deadline_(deadline) {
  int in[2], out[2], err[2];
  MakePipe(in);
  MakePipe(out);
  MakePipe(err);

  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "LD_LIBRARY_PATH=", 16) != 0) environment.emplace_back(*e);
  }
  if (!library_path.empty()) environment.push_back("LD_LIBRARY_PATH=" + library_path);
  std::vector<char*> envp;
  for (auto& e : environment)
    envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  std::vector<std::string> words = {executable};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& w : words)
    argv.push_back(w.data());
  argv.push_back(nullptr);
  const int rc =
      ::posix_spawn(&pid_, executable.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  input_read_end_ = in[0];
  input_ = in[1];
  output_ = out[0];
  errors_ = err[0];
  if (rc != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + executable + ": " + std::strerror(rc));
  }
}

EngineProcess::~EngineProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  CloseFd(input_);
  CloseFd(input_read_end_);
  CloseFd(output_);
  CloseFd(errors_);
}

void EngineProcess::Send(const std::string& bytes) {
  const ssize_t n = ::write(input_, bytes.data(), bytes.size());
  if (n != static_cast<ssize_t>(bytes.size())) throw std::runtime_error("short write to engine");
}

void EngineProcess::CloseInput() {
  CloseFd(input_);
}

void EngineProcess::CloseOutput() {
  CloseFd(output_);
}

std::string EngineProcess::Read(size_t size) {
  std::string out;
  ReadInto(output_, out, size, Clock::now() + deadline_);
  return out;
}

std::string EngineProcess::ReadUntil(const std::string& suffix) {
  std::string out;
  const auto deadline = Clock::now() + deadline_;
  while (!out.ends_with(suffix) && MillisecondsLeft(deadline) > 0 &&
         ReadInto(output_, out, out.size() + 1, deadline)) {
  }
  return out;
}

std::string EngineProcess::ReadAll() {
  return ReadToEnd(output_, Clock::now() + deadline_);
}

std::string EngineProcess::ReadAllErrors() {
  return ReadToEnd(errors_, Clock::now() + deadline_);
}

int EngineProcess::Wait() {
  const auto deadline = Clock::now() + deadline_;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return 128 + WTERMSIG(status);
    }
    if (Clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

int EngineProcess::UnreadInput() const {
  int n = 0;
  if (::ioctl(input_read_end_, FIONREAD, &n) != 0) return -1;
  return n;
}

}  // namespace curling::testing
