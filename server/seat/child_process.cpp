#include "server/seat/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <mutex>

#include "protocol/descriptor_io.h"
#include "server/text/safe_files.h"

extern char** environ;

namespace curling::server {
namespace {

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Pipes for the child's standard input, output and error; the parent's ends
// are closed on exec.
struct ChildPipes {
  int fds[3][2] = {{-1, -1}, {-1, -1}, {-1, -1}};
  ~ChildPipes() {
    for (auto& pipe : fds) {
      CloseFd(pipe[0]);
      CloseFd(pipe[1]);
    }
  }
  bool Open(std::string& error) {
    for (auto& pipe : fds) {
      if (pipe2(pipe, O_CLOEXEC) != 0) {
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

std::vector<char*> NullTerminated(const std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (const std::string& word : words)
    pointers.push_back(const_cast<char*>(word.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// In the child between fork and exec: only async-signal-safe calls. Reports
// a failure as its errno through `report` and ends.
[[noreturn]] void ExecChild(const ChildPipes& pipes, int report, pid_t parent, char* const* argv,
                            char* const* envp, const char* working_folder) {
  setpgid(0, 0);
  // Die with the parent; it may already be gone (then we are adopted).
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(127);
  // Default handling of the signals a server ignores or catches (an exec
  // passes ignored ones on), nothing blocked.
  for (int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP})
    signal(s, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  if (dup2(pipes.fds[0][0], STDIN_FILENO) >= 0 && dup2(pipes.fds[1][1], STDOUT_FILENO) >= 0 &&
      dup2(pipes.fds[2][1], STDERR_FILENO) >= 0 &&
      (working_folder == nullptr || chdir(working_folder) == 0)) {
    execvpe(argv[0], argv, envp);
  }
  const int error = errno;
  ssize_t ignored = write(report, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

// The copier's loop: the first kMaxLogBytes of `from` into `log`, then one
// note; the rest is read and dropped so the child never blocks on it. Once
// `stop` is readable it takes at most one more pipe's worth and ends (a
// process that escaped the child's group may hold the pipe open for ever).
void CopyCapped(int from, int log, int stop) {
  constexpr size_t kDrainAfterStop = 1 << 20;
  static constexpr char kNote[] =
      "\n[curling-match: the engine's standard error beyond 16 MiB was dropped]\n";
  size_t logged = 0;
  size_t drained = 0;
  bool noted = false;
  bool stopping = false;
  char buffer[65536];
  while (!stopping || drained < kDrainAfterStop) {
    if (!stopping) {
      pollfd fds[2] = {{from, POLLIN, 0}, {stop, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (fds[1].revents != 0) {
        stopping = true;
        fcntl(from, F_SETFL, fcntl(from, F_GETFL) | O_NONBLOCK);
      }
    }
    const ssize_t n = read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // end of input, or nothing left after a stop
    const size_t size = static_cast<size_t>(n);
    if (stopping) drained += size;
    const size_t keep = std::min(size, ChildProcess::kMaxLogBytes - logged);
    // A failed write (a full disk) cuts the log short; the child goes on.
    protocol::WriteAll(log, buffer, keep);
    logged += keep;
    if (keep < size && !noted) {
      protocol::WriteAll(log, kNote, sizeof kNote - 1);
      noted = true;
    }
  }
  close(from);
  close(log);
}

}  // namespace

ChildProcess::~ChildProcess() {
  Kill();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& stderr_log,
                         std::string& error, const std::vector<std::string>* environment,
                         const std::string& working_folder) {
  assert(pid_ < 0 && "one child per object");
  static std::once_flag ignore_sigpipe;
  std::call_once(ignore_sigpipe, [] { signal(SIGPIPE, SIG_IGN); });
  if (argv.empty() || argv[0].empty()) {
    error = "empty engine command";
    return false;
  }
  ChildPipes pipes;
  if (!pipes.Open(error)) return false;
  int log_fd = -1;
  if (!stderr_log.empty()) {
    log_fd = OpenFileToWrite(stderr_log, error);
    if (log_fd < 0) return false;
  }
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    if (log_fd >= 0) close(log_fd);
    return false;
  }
  const std::vector<char*> args = NullTerminated(argv);
  const std::vector<char*> env = environment ? NullTerminated(*environment) : std::vector<char*>{};
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0)
    ExecChild(pipes, report[1], parent, args.data(), environment ? env.data() : environ,
              working_folder.empty() ? nullptr : working_folder.c_str());
  close(report[1]);
  int exec_error = 0;
  ssize_t got = -1;
  if (pid > 0) {
    setpgid(pid, pid);  // as the child does: whichever runs first
    // Closed on a successful exec, or carrying the errno of a failed one.
    do {
      got = read(report[0], &exec_error, sizeof exec_error);
    } while (got < 0 && errno == EINTR);
  }
  close(report[0]);
  if (pid < 0 || got > 0) {
    error = "cannot start " + argv[0] + ": " + std::strerror(pid < 0 ? errno : exec_error);
    if (pid > 0) waitpid(pid, nullptr, 0);
    if (log_fd >= 0) close(log_fd);
    return false;
  }
  pid_ = pid;
  input_ = pipes.Take(0, 1);
  output_ = pipes.Take(1, 0);
  if (log_fd >= 0) {
    StartLogCopy(pipes.Take(2, 0), log_fd);
  } else {
    errors_ = pipes.Take(2, 0);
  }
  return true;
}

void ChildProcess::StartLogCopy(int from, int log) {
  int stop[2];
  if (pipe2(stop, O_CLOEXEC) != 0) {
    // No way to stop a copier: drop the log rather than risk a hang.
    close(from);
    close(log);
    return;
  }
  stop_copy_ = stop[1];
  const int stop_read = stop[0];
  log_copier_ = std::thread([from, log, stop_read] {
    CopyCapped(from, log, stop_read);
    close(stop_read);
  });
}

void ChildProcess::StopLogCopy() {
  if (!log_copier_.joinable()) return;
  const char byte = 0;
  ssize_t ignored = write(stop_copy_, &byte, 1);
  (void)ignored;
  log_copier_.join();
  CloseFd(stop_copy_);
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
  StopLogCopy();
}

}  // namespace curling::server
