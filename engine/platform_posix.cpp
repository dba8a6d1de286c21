#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/platform.h"
#include "game/simulator_binding.h"
#include "protocol/descriptor_io.h"

namespace curling {

const char* const kSimulatorLibraryName = "libCurlingSimulator.so";

namespace {

// The folder that holds the running executable (from /proc/self/exe), with a
// trailing slash. Empty when it cannot be found out; `reason` then says why.
std::string ExecutableDirectory(std::string& reason) {
  // readlink does not say how long the target is: grow until it fits.
  std::vector<char> path(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) {
      reason = std::string("/proc/self/exe: ") + std::strerror(errno);
      return {};
    }
    if (static_cast<size_t>(n) < path.size()) {
      const std::string full(path.data(), static_cast<size_t>(n));
      const size_t slash = full.rfind('/');
      if (slash == std::string::npos) {
        reason = "/proc/self/exe: not an absolute path: " + full;
        return {};
      }
      return full.substr(0, slash + 1);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

// First from the executable's own folder by absolute path, then by bare name
// in the loader's default search order; `reason` holds the reasons of both
// attempts, separated by "; ".
bool LoadSimulatorLibrary(std::string& reason) {
  std::string directory_reason;
  const std::string directory = ExecutableDirectory(directory_reason);
  std::string first_reason = directory_reason;
  if (!directory.empty()) {
    if (LoadSimulator(directory + kSimulatorLibraryName, first_reason)) return true;
  }
  std::string second_reason;
  if (LoadSimulator(kSimulatorLibraryName, second_reason)) return true;
  reason = first_reason + "; " + second_reason;
  return false;
}

// Two lines in UTF-8 on standard error, the reason on the second; exit code 1.
int ReportLibraryLoadFailure(const std::string& reason) {
  std::string one_line = reason;
  for (char& c : one_line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  const std::string message = std::string("エラー: ") + kSimulatorLibraryName +
                              " の読み込みに失敗しました\n" + one_line + "\n";
  protocol::WriteAll(STDERR_FILENO, message.data(), message.size());
  return 1;
}

}  // namespace curling
