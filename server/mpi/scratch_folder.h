// The scratch folder a player rank plays its games in, under $TMPDIR (or
// /tmp): curling-match-<host>-rank<R>-p<PID>-XXXXXX. A rank that is killed
// cannot remove its own; the next rank to start on the same machine removes
// every such folder whose process is gone.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace curling::server {

// Removes the scratch folders under `parent` left by ranks of this host whose
// process no longer runs (only folders of this user, never through a link);
// then makes this process's own. Nothing when it cannot be made.
std::optional<std::filesystem::path> MakeScratchFolder(const std::filesystem::path& parent,
                                                       int rank);

// $TMPDIR, or /tmp.
std::filesystem::path ScratchParent();

// The part of a scratch folder's name before its random suffix:
// curling-match-<host>-rank<R>-p<PID>-.
std::string ScratchPrefix(const std::string& host, int rank, long pid);

}  // namespace curling::server
