#include "server/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cstring>
#include <mutex>

extern char** environ;

namespace curling::server {
namespace {

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Pipes for the child's standard input, output and (without a log file)
// error; the parent's ends are closed on exec.
struct ChildPipes {
  int fds[3][2] = {{-1, -1}, {-1, -1}, {-1, -1}};
  ~ChildPipes() {
    for (auto& pipe : fds) {
      CloseFd(pipe[0]);
      CloseFd(pipe[1]);
    }
  }
  bool Open(int count, std::string& error) {
    for (int i = 0; i < count; ++i) {
      if (pipe2(fds[i], O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
      }
    }
    return true;
  }
  // Hands the parent's end over to the caller.
  int Take(int i, int end) {
    const int fd = fds[i][end];
    fds[i][end] = -1;
    return fd;
  }
};

// Own process group; default handling of the signals a server ignores or
// catches (an exec would otherwise pass SIGPIPE's on); nothing blocked.
struct SpawnAttributes {
  posix_spawnattr_t attributes;
  SpawnAttributes() {
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
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
};

std::vector<char*> NullTerminated(const std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (const std::string& word : words)
    pointers.push_back(const_cast<char*>(word.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ChildProcess::~ChildProcess() {
  Kill();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& stderr_log,
                         std::string& error, const std::vector<std::string>* environment) {
  assert(pid_ < 0 && "one child per object");
  static std::once_flag ignore_sigpipe;
  std::call_once(ignore_sigpipe, [] { signal(SIGPIPE, SIG_IGN); });
  if (argv.empty() || argv[0].empty()) {
    error = "empty engine command";
    return false;
  }
  const bool log_to_file = !stderr_log.empty();
  ChildPipes pipes;
  if (!pipes.Open(log_to_file ? 2 : 3, error)) return false;
  int log_fd = -1;
  if (log_to_file) {
    log_fd = open(stderr_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log_fd < 0) {
      error = "cannot open " + stderr_log + ": " + std::strerror(errno);
      return false;
    }
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipes.fds[0][0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipes.fds[1][1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, log_to_file ? log_fd : pipes.fds[2][1], STDERR_FILENO);
  SpawnAttributes attributes;
  const std::vector<char*> args = NullTerminated(argv);
  const std::vector<char*> env = environment ? NullTerminated(*environment) : std::vector<char*>{};
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, &attributes.attributes, args.data(),
                              environment ? env.data() : environ);
  posix_spawn_file_actions_destroy(&actions);
  if (log_fd >= 0) close(log_fd);
  if (rc != 0) {
    error = "cannot start " + argv[0] + ": " + std::strerror(rc);
    return false;
  }
  pid_ = pid;
  input_ = pipes.Take(0, 1);
  output_ = pipes.Take(1, 0);
  if (!log_to_file) errors_ = pipes.Take(2, 0);
  return true;
}

void ChildProcess::CloseInput() {
  CloseFd(input_);
}

void ChildProcess::CloseOutput() {
  CloseFd(output_);
}

int ChildProcess::UnreadInput() const {
  int unread = 0;
  if (input_ < 0 || ioctl(input_, FIONREAD, &unread) != 0) return -1;
  return unread;
}

bool ChildProcess::Reap(bool block) {
  if (pid_ < 0 || reaped_) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  reaped_ = true;
  // Not our child any more (r < 0): nothing to wait for.
  wait_status_ = r == pid_ ? status : 0;
  return true;
}

std::string ChildProcess::ExitDescription() {
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

void ChildProcess::Kill() {
  CloseFd(input_);
  CloseFd(output_);
  CloseFd(errors_);
  if (pid_ < 0 || killed_) return;
  killed_ = true;
  // The group may outlive its leader when the child started helpers.
  kill(-pid_, SIGKILL);
  Reap(true);
}

}  // namespace curling::server
