#include "server/live/run_folder_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <vector>

namespace curling::server::live {
namespace {

// Closes the descriptor it holds.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

std::optional<std::vector<std::string>> PlainNames(const std::string& relative) {
  std::vector<std::string> names;
  std::stringstream in(relative);
  for (std::string name; std::getline(in, name, '/');) {
    if (!IsPlainName(name)) return std::nullopt;
    names.push_back(name);
  }
  if (names.empty() || relative.back() == '/') return std::nullopt;
  return names;
}

}  // namespace

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("\\\0", 2)) == std::string::npos;
}

FileRead ReadRunFolderFile(const std::filesystem::path& root, const std::string& relative,
                           std::string& content) {
  const auto names = PlainNames(relative);
  if (!names || root.empty()) return FileRead::kRefused;
  // Down from the folder one name at a time, refusing links at every step.
  Descriptor at(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (at.get() < 0) return FileRead::kMissing;
  for (size_t i = 0; i + 1 < names->size(); ++i) {
    const int next =
        openat(at.get(), (*names)[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) return errno == ENOENT ? FileRead::kMissing : FileRead::kRefused;
    at.reset(next);
  }
  Descriptor file(
      openat(at.get(), names->back().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) return errno == ENOENT ? FileRead::kMissing : FileRead::kRefused;
  struct stat info {};
  if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return FileRead::kRefused;
  if (static_cast<size_t>(info.st_size) > kMaxServedFileBytes) return FileRead::kTooLarge;
  content.clear();
  char buffer[1 << 16];
  while (true) {
    const ssize_t n = read(file.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileRead::kMissing;
    if (n == 0) break;
    // A file that grows while read is cut at the cap.
    if (content.size() + static_cast<size_t>(n) > kMaxServedFileBytes) return FileRead::kTooLarge;
    content.append(buffer, static_cast<size_t>(n));
  }
  return FileRead::kOk;
}

std::string MediaTypeOf(const std::string& name) {
  const auto ends = [&](const std::string& suffix) {
    return name.size() >= suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  if (ends(".html")) return "text/html; charset=utf-8";
  if (ends(".json")) return "application/json";
  if (ends(".jsonl") || ends(".log") || ends(".txt")) return "text/plain; charset=utf-8";
  return "application/octet-stream";
}

}  // namespace curling::server::live
