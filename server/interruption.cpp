#include "server/interruption.h"

#include <csignal>
#include <initializer_list>

namespace curling::server {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
  g_interrupted = 1;
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
  return g_interrupted != 0;
}

}  // namespace curling::server
