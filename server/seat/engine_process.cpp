#include "server/seat/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <thread>

#include "server/seat/interruption.h"

namespace curling::server {
namespace {

constexpr auto kPollStep = std::chrono::milliseconds(1);

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return 0;
  // Wake up now and then to notice an interrupt.
  return static_cast<int>(std::min<long long>(left.count() + 1, 100));
}

}  // namespace

bool EngineProcess::StopRequested() const {
  return InterruptRequested() || (stop_flag_ != nullptr && stop_flag_->load());
}

bool EngineProcess::Start(const std::vector<std::string>& argv, const std::string& stderr_log,
                          const std::string& working_folder, std::string& error) {
  if (stderr_log.empty()) {
    error = "no file named for the engine's standard error";
    return false;
  }
  if (!child_.Start(argv, stderr_log, error, nullptr, working_folder)) return false;
  fcntl(child_.input(), F_SETFL, fcntl(child_.input(), F_GETFL) | O_NONBLOCK);
  fcntl(child_.output(), F_SETFL, fcntl(child_.output(), F_GETFL) | O_NONBLOCK);
  return true;
}

IoStatus EngineProcess::Send(std::string_view command, Clock::time_point deadline,
                             Clock::time_point* writing) {
  // One command, one line: the line end is added here and nowhere else.
  assert(command.find('\n') == std::string_view::npos);
  if (child_.input() < 0) return IoStatus::kClosed;
  // Wait until the engine has read what was sent before.
  while (true) {
    const int unread = child_.UnreadInput();
    if (unread < 0) return IoStatus::kClosed;
    if (unread == 0) break;
    if (!running()) return IoStatus::kClosed;
    if (StopRequested()) return IoStatus::kInterrupted;
    if (Clock::now() >= deadline) return IoStatus::kTimeout;
    std::this_thread::sleep_for(kPollStep);
  }
  // One line per command: engines that read whole lines get their line end,
  // engines that take each read as one command see it end the line.
  std::string line;
  line.reserve(command.size() + 1);
  line.append(command).push_back('\n');
  size_t written = 0;
  if (writing != nullptr) *writing = Clock::now();
  while (written < line.size()) {
    const ssize_t n = write(child_.input(), line.data() + written, line.size() - written);
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
  if (child_.output() < 0) return IoStatus::kClosed;
  while (true) {
    if (StopRequested()) return IoStatus::kInterrupted;
    pollfd entry{child_.output(), POLLIN, 0};
    const int ready = poll(&entry, 1, MillisecondsUntil(deadline));
    if (ready < 0 && errno != EINTR) return IoStatus::kClosed;
    if (ready > 0) {
      char chunk[4096];
      const ssize_t n = read(child_.output(), chunk, sizeof chunk);
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

void EngineProcess::Stop(std::chrono::milliseconds grace) {
  child_.CloseInput();
  const auto deadline = Clock::now() + grace;
  while (child_.running() && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  child_.Kill();
}

}  // namespace curling::server
