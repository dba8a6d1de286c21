#include "tests/support/child_program.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace curling::testing {
namespace {

using Clock = std::chrono::steady_clock;

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
    if (::poll(&p, 1, MillisecondsLeft(deadline)) <= 0) return true;  // deadline
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    out.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

std::string ReadToEnd(int fd, Clock::time_point deadline) {
  std::string out;
  while (ReadInto(fd, out, out.size() + 1, deadline) && MillisecondsLeft(deadline) > 0) {
  }
  return out;
}

}  // namespace

ChildProgram::ChildProgram(const std::string& executable, const std::string& library_path,
                           const std::vector<std::string>& arguments,
                           std::chrono::milliseconds deadline)
    : deadline_(deadline) {
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "LD_LIBRARY_PATH=", 16) != 0) environment.emplace_back(*e);
  }
  if (!library_path.empty()) environment.push_back("LD_LIBRARY_PATH=" + library_path);
  std::vector<std::string> argv = {executable};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::string error;
  if (!child_.Start(argv, "", error, &environment)) throw std::runtime_error(error);
  const std::string input = "/proc/self/fd/" + std::to_string(child_.input());
  input_reader_ = ::open(input.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

ChildProgram::~ChildProgram() {
  if (input_reader_ >= 0) ::close(input_reader_);
}

void ChildProgram::Send(const std::string& bytes) {
  const ssize_t n = ::write(child_.input(), bytes.data(), bytes.size());
  if (n != static_cast<ssize_t>(bytes.size())) throw std::runtime_error("short write to child");
}

std::string ChildProgram::Read(size_t size) {
  std::string out;
  ReadInto(child_.output(), out, size, Clock::now() + deadline_);
  return out;
}

std::string ChildProgram::ReadUntil(const std::string& suffix) {
  std::string out;
  const auto deadline = Clock::now() + deadline_;
  while (!out.ends_with(suffix) && MillisecondsLeft(deadline) > 0 &&
         ReadInto(child_.output(), out, out.size() + 1, deadline)) {
  }
  return out;
}

std::string ChildProgram::ReadAll() {
  return ReadToEnd(child_.output(), Clock::now() + deadline_);
}

std::string ChildProgram::ReadAllErrors() {
  return ReadToEnd(child_.errors(), Clock::now() + deadline_);
}

int ChildProgram::Wait() {
  const auto deadline = Clock::now() + deadline_;
  while (!child_.Reap(false)) {
    if (Clock::now() >= deadline) {
      child_.Kill();
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const int status = child_.wait_status();
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input) {
  ChildProgram process(program, "", arguments, std::chrono::minutes(5));
  process.Send(input);
  process.CloseInput();
  ProgramRun run;
  run.out = process.ReadAll();
  run.errors = process.ReadAllErrors();
  run.exit_code = process.Wait();
  return run;
}

}  // namespace curling::testing
