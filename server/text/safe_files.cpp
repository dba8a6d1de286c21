#include "server/text/safe_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace curling::server {

namespace {

namespace fs = std::filesystem;

std::string Failure(const fs::path& path, const std::string& why) {
  return path.string() + ": " + why;
}

std::string KindError(const fs::path& path, mode_t mode) {
  if (S_ISLNK(mode)) return Failure(path, "is a symbolic link (refused: it is never followed)");
  if (S_ISDIR(mode)) return Failure(path, "is a folder, not a file");
  if (!S_ISREG(mode)) return Failure(path, "is not a regular file");
  return {};
}

// "" when nothing stands at `path` or a regular file does.
std::string WritableTargetError(const fs::path& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    return Failure(path, std::strerror(errno));
  }
  return KindError(path, st.st_mode);
}

bool WriteAllBytes(int fd, std::string_view content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n == 0) errno = EIO;
      return false;
    }
  }
  return true;
}

// A fresh file beside `path`, created exclusively (O_EXCL never follows a
// link); its name in `temporary`.
int CreateTemporaryBeside(const fs::path& path, fs::path& temporary) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = ".";
    name += path.filename().string();
    name += ".tmp.";
    name += std::to_string(getpid());
    name += '.';
    name += std::to_string(counter.fetch_add(1));
    temporary = path.parent_path() / name;
    const int fd =
        open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

std::string WriteFileWhole(const fs::path& path, std::string_view content) {
  if (std::string why = WritableTargetError(path); !why.empty()) return why;
  fs::path temporary;
  const int fd = CreateTemporaryBeside(path, temporary);
  if (fd < 0)
    return Failure(path, std::string("cannot create a file beside it: ") + std::strerror(errno));
  const bool written = WriteAllBytes(fd, content);
  const int write_errno = errno;
  if (close(fd) != 0 || !written) {
    unlink(temporary.c_str());
    return Failure(path,
                   std::string("write failed: ") + std::strerror(written ? errno : write_errno));
  }
  // rename replaces whatever name stands at `path`, a link included, without
  // following it.
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const int rename_errno = errno;
    unlink(temporary.c_str());
    return Failure(path, std::string("cannot replace: ") + std::strerror(rename_errno));
  }
  return {};
}

int OpenFileToWrite(const fs::path& path, std::string& error) {
  // No O_TRUNC before the file is known to be regular; O_NONBLOCK so that a
  // FIFO is refused rather than waited on.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) {
    const int open_errno = errno;
    if (open_errno == ELOOP || open_errno == ENXIO || open_errno == EISDIR) {
      error = WritableTargetError(path);
      if (!error.empty()) return -1;
    }
    error = Failure(path, std::string("cannot write: ") + std::strerror(open_errno));
    return -1;
  }
  struct stat st {};
  const bool stated = fstat(fd, &st) == 0;
  if (!stated || !(S_ISREG(st.st_mode) || S_ISCHR(st.st_mode))) {
    error = Failure(path, "is not a regular file");
    close(fd);
    return -1;
  }
  if ((S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) || fcntl(fd, F_SETFL, 0) != 0) {
    error = Failure(path, std::string("cannot write: ") + std::strerror(errno));
    close(fd);
    return -1;
  }
  return fd;
}

std::string RegularFileError(const fs::path& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    return Failure(path, errno == ENOENT ? "no such file" : std::strerror(errno));
  }
  return KindError(path, st.st_mode);
}

std::string OwnFileError(const fs::path& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    return Failure(path, errno == ENOENT ? "no such file" : std::strerror(errno));
  }
  return KindError(path, st.st_mode);
}

}  // namespace curling::server
