// Which build of an engine played: the SHA-256 of its program file, so that
// two builds under one name are two players. A file changed after the game
// began is not the one that played it: its hash is then unknown (empty),
// which is also what a program no longer found gets.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace curling::results {

// Lower-case hex SHA-256 of `bytes`.
std::string Sha256Hex(std::string_view bytes);

// The file an engine's command runs, as the seat starts it: the first word,
// from `working_folder` when given; without a slash, looked up in PATH.
// Empty when there is no such regular file.
std::string ResolveProgram(const std::vector<std::string>& argv, const std::string& working_folder);

// Hashes program files, each once while it stays unchanged.
class ExecutableHasher {
 public:
  // The hash of `path` when it is a regular file last modified no later than
  // `started` (UTC "YYYY-MM-DDTHH:MM:SSZ", a game record's header time);
  // empty otherwise, or when it cannot be read.
  std::string HashPlayedBy(const std::string& path, const std::string& started);

 private:
  // path, inode, size, modification time (ns)
  using Key = std::tuple<std::string, uint64_t, int64_t, int64_t>;
  std::map<Key, std::string> hashes_;
};

// Seconds since 1970 of a UTC time "YYYY-MM-DDTHH:MM:SSZ" (or with a space
// for the T, or without the Z); -1 when `text` is not one.
int64_t UtcSeconds(const std::string& text);

}  // namespace curling::results
