#include "engine/platform.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace curling {

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

}  // namespace curling
