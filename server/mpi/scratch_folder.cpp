#include "server/mpi/scratch_folder.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace curling::server {

namespace fs = std::filesystem;

namespace {

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "host";
  std::string host;
  for (const char* c = name; *c; ++c) {
    // A host name may hold dots; the name's own '-' separate its parts.
    host += (*c == '-' || *c == '/') ? '_' : *c;
  }
  return host.empty() ? "host" : host;
}

bool ProcessIsGone(long pid) {
  return pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The process id in a scratch folder's name of this host, or -1.
long OwnerPid(const std::string& name, const std::string& host_prefix) {
  if (name.rfind(host_prefix, 0) != 0) return -1;
  const size_t p = name.find("-p", host_prefix.size());
  if (p == std::string::npos) return -1;
  char* end = nullptr;
  const long pid = std::strtol(name.c_str() + p + 2, &end, 10);
  return end && *end == '-' ? pid : -1;
}

void RemoveLeftovers(const fs::path& parent) {
  const std::string host_prefix = "curling-match-" + HostName() + "-rank";
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(parent, ec)) {
    const long pid = OwnerPid(entry.path().filename().string(), host_prefix);
    if (pid < 0 || !ProcessIsGone(pid)) continue;
    struct stat st {};
    // A folder of ours, not a link to one nor another user's.
    if (lstat(entry.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) {
      continue;
    }
    std::error_code ignored;
    fs::remove_all(entry.path(), ignored);
  }
}

}  // namespace

std::string ScratchPrefix(const std::string& host, int rank, long pid) {
  return "curling-match-" + host + "-rank" + std::to_string(rank) + "-p" + std::to_string(pid) +
         "-";
}

fs::path ScratchParent() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? fs::path(tmp) : fs::path("/tmp");
}

std::optional<fs::path> MakeScratchFolder(const fs::path& parent, int rank) {
  RemoveLeftovers(parent);
  std::string pattern = (parent / (ScratchPrefix(HostName(), rank, getpid()) + "XXXXXX")).string();
  if (!mkdtemp(pattern.data())) return std::nullopt;
  return fs::path(pattern);
}

}  // namespace curling::server
