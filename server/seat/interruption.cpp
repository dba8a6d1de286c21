#include "server/seat/interruption.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace curling::server {
namespace {

// Set by the handler, read by every game thread of a tournament: an atomic
// (lock-free, so safe in a handler) rather than a volatile flag.
std::atomic<int> g_interrupted{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
  const int saved_errno = errno;
  g_interrupted.store(1, std::memory_order_relaxed);
  errno = saved_errno;
}

}  // namespace

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // A closed terminal (SIGHUP) ends a game as Ctrl-C does: engines stopped,
  // the result line and summary written.
  for (int s : {SIGINT, SIGTERM, SIGHUP})
    sigaction(s, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

bool InterruptRequested() {
  return g_interrupted.load(std::memory_order_relaxed) != 0;
}

}  // namespace curling::server
