// A file of the run's output folder, read for a viewer: only a regular file
// reached from the folder through real directories, named by a relative path
// of plain names ("..", ".", empty names, backslashes and NUL refused), with
// no symbolic link followed on the way, and not larger than a cap.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace curling::server::live {

inline constexpr size_t kMaxServedFileBytes = 64 << 20;

enum class FileRead { kOk, kRefused, kMissing, kTooLarge };

// Reads `relative` (as in a URL: '/'-separated) below `root` into `content`.
FileRead ReadRunFolderFile(const std::filesystem::path& root, const std::string& relative,
                           std::string& content);

// A name is plain when it is not empty, ".", "..", and holds no '\\' or NUL.
bool IsPlainName(const std::string& name);

// The media type of a served file, from its extension.
std::string MediaTypeOf(const std::string& name);

}  // namespace curling::server::live
