// Files the programs write and read, handled so that a hostile folder can do
// no harm: nothing is ever written through a symbolic link standing at a
// file's path, and nothing is read that is not a regular file (a folder, a
// FIFO that would block, a device). Every error names the path.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace curling::server {

// Writes `content` to a temporary file created beside `path` (exclusively,
// never through a link) and renames it over `path`, so that a reader sees the
// old file or the new one, whole. A link or anything but a regular file at
// `path` is refused. Returns "" or "PATH: what went wrong".
std::string WriteFileWhole(const std::filesystem::path& path, std::string_view content);

// Opens `path` to be written from its start, for files that grow as they are
// written (a game record, an engine's log): created, or an existing regular
// file cut to nothing; a character device (/dev/null, /dev/full) is written
// as it is. A link, a folder, a FIFO or any other kind of file at `path` is
// refused. Returns the descriptor (close-on-exec) or -1 with `error` set.
int OpenFileToWrite(const std::filesystem::path& path, std::string& error);

// "" when `path` is a regular file (a link to one is followed, as a reader
// may be handed one); otherwise "PATH: why" (missing, a folder, not a regular
// file). Never opens the file, so a FIFO cannot block it.
std::string RegularFileError(const std::filesystem::path& path);

// "" when `path` is a regular file and not itself a link; for files in an
// output folder of ours, which are never links when we made them.
std::string OwnFileError(const std::filesystem::path& path);

}  // namespace curling::server
