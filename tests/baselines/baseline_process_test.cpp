// The baseline programs themselves, driven over pipes as a match drives them.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// A child process with its standard input and output on pipes.
class Child {
 public:
  explicit Child(const char* path) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      ::execl(path, path, static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    to_child_ = in[1];
    from_child_ = out[0];
  }
  ~Child() {
    if (to_child_ >= 0) ::close(to_child_);
    if (from_child_ >= 0) ::close(from_child_);
    if (pid_ > 0) {
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  bool Started() const { return pid_ > 0; }

  void Send(const std::string& text) {
    ASSERT_EQ(::write(to_child_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // Reads until `done` holds for what arrived, or `limit` passes.
  template <typename Done>
  std::string ReadUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done(got) && std::chrono::steady_clock::now() < deadline) {
      pollfd p{from_child_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[512];
      const ssize_t n = ::read(from_child_, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<size_t>(n));
    }
    return got;
  }

  // Closes its input; the child must end by itself, with exit code 0.
  int CloseAndWait() {
    ::close(to_child_);
    to_child_ = -1;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int to_child_ = -1;
  int from_child_ = -1;
};

bool WellFormedBestShot(const std::string& text) {
  float vx = 0;
  float vy = 0;
  int curl = -1;
  int used = 0;
  if (std::sscanf(text.c_str(), "BESTSHOT %f %f %d%n", &vx, &vy, &curl, &used) != 3) return false;
  return used == static_cast<int>(text.size()) && std::isfinite(vx) && std::isfinite(vy) &&
         (curl == 0 || curl == 1) && vy < 0.0f;  // delivered toward the house
}

TEST(BaselineProcess, EachProgramAnswersReadinessAndGoWithoutLineEnds) {
  ::signal(SIGPIPE, SIG_IGN);
  const std::string position =
      "POSITION 2.3 5.0 2.5 4.6 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
  for (const char* path : {BASELINE_DRAW_PATH, BASELINE_RANDOM_PATH, BASELINE_GREEDY_PATH}) {
    SCOPED_TRACE(path);
    Child child(path);
    ASSERT_TRUE(child.Started());
    child.Send("ISREADY");
    EXPECT_EQ(child.ReadUntil([](const std::string& s) { return s.size() >= 7; }), "READYOK");
    // Several commands in one write, the way a line-reading server might send them.
    child.Send("NEWGAME\n" + position + "\nSETSTATE 2 0 8 0\nGO\n");
    const std::string reply = child.ReadUntil(WellFormedBestShot);
    EXPECT_TRUE(WellFormedBestShot(reply)) << "got: " << reply;
    // Nothing else follows: no line end, no second reply.
    const std::string rest =
        child.ReadUntil([](const std::string&) { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(rest, "");
    EXPECT_EQ(child.CloseAndWait(), 0);
  }
}

}  // namespace
