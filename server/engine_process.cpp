#include "server/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "server/interruption.h"

extern char** environ;

namespace curling::server {
namespace {

constexpr auto kPollStep = std::chrono::milliseconds(1);

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return 0;
  // Wake up now and then to notice an interrupt.
  return static_cast<int>(std::min<long long>(left.count() + 1, 100));
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

EngineProcess::~EngineProcess() {
  Kill();
}

bool EngineProcess::Start(const std::vector<std::string>& argv, const std::string& stderr_log,
                          std::string& error) {
  // A write to an engine that has gone must fail with EPIPE, not end the
  // server: whoever starts engines needs SIGPIPE ignored, process-wide.
  static std::once_flag ignore_sigpipe;
  std::call_once(ignore_sigpipe, [] { signal(SIGPIPE, SIG_IGN); });
  if (argv.empty() || argv[0].empty()) {
    error = "empty engine command";
    return false;
  }
  int in_pipe[2];
  int out_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  if (pipe2(out_pipe, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    close(in_pipe[0]);
    close(in_pipe[1]);
    return false;
  }
  const int log_fd = open(stderr_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (log_fd < 0) {
    error = "cannot open " + stderr_log + ": " + std::strerror(errno);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1]})
      close(fd);
    return false;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, log_fd, STDERR_FILENO);

  // Own process group; default signal handling (the server ignores SIGPIPE,
  // which an exec would otherwise pass on); nothing blocked.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : {SIGPIPE, SIGINT, SIGTERM})
    sigaddset(&defaults, s);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> args;
  for (const std::string& word : argv)
    args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);

  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(log_fd);
  if (rc != 0) {
    error = "cannot start " + argv[0] + ": " + std::strerror(rc);
    close(in_pipe[1]);
    close(out_pipe[0]);
    return false;
  }
  pid_ = pid;
  reaped_ = false;
  finished_ = false;
  stdin_fd_ = in_pipe[1];
  stdout_fd_ = out_pipe[0];
  fcntl(stdin_fd_, F_SETFL, fcntl(stdin_fd_, F_GETFL) | O_NONBLOCK);
  fcntl(stdout_fd_, F_SETFL, fcntl(stdout_fd_, F_GETFL) | O_NONBLOCK);
  return true;
}

IoStatus EngineProcess::Send(std::string_view command, Clock::time_point deadline) {
  if (stdin_fd_ < 0) return IoStatus::kClosed;
  // Wait until the engine has read what was sent before.
  while (true) {
    int unread = 0;
    if (ioctl(stdin_fd_, FIONREAD, &unread) != 0) return IoStatus::kClosed;
    if (unread == 0) break;
    if (!running()) return IoStatus::kClosed;
    if (InterruptRequested()) return IoStatus::kInterrupted;
    if (Clock::now() >= deadline) return IoStatus::kTimeout;
    std::this_thread::sleep_for(kPollStep);
  }
  // One line per command: engines that read whole lines get their line end,
  // engines that take each read as one command see it end the line.
  std::string line;
  line.reserve(command.size() + 1);
  line.append(command).push_back('\n');
  size_t written = 0;
  while (written < line.size()) {
    const ssize_t n = write(stdin_fd_, line.data() + written, line.size() - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // Only a command longer than the pipe could get here.
      if (Clock::now() >= deadline) return IoStatus::kTimeout;
      std::this_thread::sleep_for(kPollStep);
      continue;
    }
    return IoStatus::kClosed;  // EPIPE: nobody reads any more
  }
  return IoStatus::kOk;
}

IoStatus EngineProcess::Read(std::string& out, Clock::time_point deadline) {
  if (stdout_fd_ < 0) return IoStatus::kClosed;
  while (true) {
    if (InterruptRequested()) return IoStatus::kInterrupted;
    pollfd entry{stdout_fd_, POLLIN, 0};
    const int ready = poll(&entry, 1, MillisecondsUntil(deadline));
    if (ready < 0 && errno != EINTR) return IoStatus::kClosed;
    if (ready > 0) {
      char chunk[4096];
      const ssize_t n = read(stdout_fd_, chunk, sizeof chunk);
      if (n > 0) {
        out.append(chunk, static_cast<size_t>(n));
        return IoStatus::kOk;
      }
      if (n == 0) return IoStatus::kClosed;
      if (errno != EAGAIN && errno != EINTR) return IoStatus::kClosed;
    }
    if (Clock::now() >= deadline) return IoStatus::kTimeout;
  }
}

bool EngineProcess::Reap(bool block) {
  if (pid_ < 0 || reaped_) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == pid_) {
    reaped_ = true;
    wait_status_ = status;
    return true;
  }
  if (r < 0) {  // not our child any more; nothing to wait for
    reaped_ = true;
    wait_status_ = 0;
    return true;
  }
  return false;
}

bool EngineProcess::running() {
  return pid_ >= 0 && !Reap(false);
}

std::string EngineProcess::ExitDescription() {
  if (pid_ < 0) return "not started";
  if (!Reap(false)) return "running";
  if (WIFEXITED(wait_status_))
    return "exited with code " + std::to_string(WEXITSTATUS(wait_status_));
  if (WIFSIGNALED(wait_status_)) {
    const int sig = WTERMSIG(wait_status_);
    const char* name = sigabbrev_np(sig);
    return "killed by signal " + std::to_string(sig) +
           (name ? std::string(" (SIG") + name + ")" : "");
  }
  return "ended";
}

void EngineProcess::Stop(std::chrono::milliseconds grace) {
  CloseFd(stdin_fd_);
  const auto deadline = Clock::now() + grace;
  while (pid_ >= 0 && !finished_ && !Reap(false) && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  Kill();
}

void EngineProcess::Kill() {
  CloseFd(stdin_fd_);
  CloseFd(stdout_fd_);
  if (pid_ < 0 || finished_) return;
  finished_ = true;
  // The group may outlive its leader when the engine started helpers.
  kill(-pid_, SIGKILL);
  Reap(true);
}

}  // namespace curling::server
