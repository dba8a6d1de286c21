#include "server/results/executable_hash.h"

#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#include <fmt/format.h>

namespace curling::results {

namespace {

namespace fs = std::filesystem;

bool IsRegularFile(const std::string& path, struct stat& st) {
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

struct DigestContext {
  DigestContext() : context(EVP_MD_CTX_new()) {}
  ~DigestContext() { EVP_MD_CTX_free(context); }
  EVP_MD_CTX* context;
};

std::string Hex(const unsigned char* bytes, unsigned size) {
  std::string hex;
  for (unsigned i = 0; i < size; ++i)
    hex += fmt::format("{:02x}", bytes[i]);
  return hex;
}

// The file's hash, or empty when it cannot be read whole.
std::string HashFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  DigestContext digest;
  if (!digest.context || EVP_DigestInit_ex(digest.context, EVP_sha256(), nullptr) != 1) return {};
  std::vector<char> buffer(1 << 16);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.gcount() > 0)
      EVP_DigestUpdate(digest.context, buffer.data(), static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) return {};
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned size = 0;
  if (EVP_DigestFinal_ex(digest.context, out, &size) != 1) return {};
  return Hex(out, size);
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned size = 0;
  const int ok = EVP_Digest(bytes.data(), bytes.size(), out, &size, EVP_sha256(), nullptr);
  assert(ok == 1 && size == 32);
  (void)ok;
  return Hex(out, size);
}

std::string ResolveProgram(const std::vector<std::string>& argv,
                           const std::string& working_folder) {
  if (argv.empty() || argv[0].empty()) return {};
  struct stat st {};
  const std::string& program = argv[0];
  if (program.find('/') != std::string::npos) {
    fs::path path = program;
    if (path.is_relative() && !working_folder.empty()) path = fs::path(working_folder) / path;
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec || !IsRegularFile(absolute.string(), st)) return {};
    return absolute.lexically_normal().string();
  }
  const char* search = std::getenv("PATH");
  std::string folders = search ? search : "/usr/local/bin:/usr/bin:/bin";
  size_t from = 0;
  while (from <= folders.size()) {
    const size_t to = std::min(folders.find(':', from), folders.size());
    const std::string folder = folders.substr(from, to - from);
    const fs::path candidate = fs::path(folder.empty() ? "." : folder) / program;
    if (IsRegularFile(candidate.string(), st) && access(candidate.c_str(), X_OK) == 0) {
      std::error_code ec;
      return fs::absolute(candidate, ec).lexically_normal().string();
    }
    from = to + 1;
  }
  return {};
}

int64_t UtcSeconds(const std::string& text) {
  std::tm tm{};
  int consumed = 0;
  char separator = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &separator, &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &consumed) != 7) {
    return -1;
  }
  const std::string rest = text.substr(static_cast<size_t>(consumed));
  if ((separator != 'T' && separator != ' ') || !(rest.empty() || rest == "Z")) return -1;
  if (tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
      tm.tm_min > 59 || tm.tm_sec > 60 || tm.tm_year < 1970) {
    return -1;
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return static_cast<int64_t>(timegm(&tm));
}

std::string ExecutableHasher::HashPlayedBy(const std::string& path, const std::string& started) {
  struct stat st {};
  if (path.empty() || !IsRegularFile(path, st)) return {};
  const int64_t game_start = UtcSeconds(started);
  if (game_start < 0 || st.st_mtim.tv_sec > game_start) return {};
  const Key key{path, static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
                static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  auto found = hashes_.find(key);
  if (found == hashes_.end()) found = hashes_.emplace(key, HashFile(path)).first;
  return found->second;
}

}  // namespace curling::results
