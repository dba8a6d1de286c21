// The self-contained replay page: the page template (built into the program)
// with the game record inlined. No network, no files beside it.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace curling::server {

// The page for the given record lines (header, shots, ends, result).
std::string BuildReplayPage(const std::vector<nlohmann::json>& lines);

// Reads the record at `record_path` and writes its page to `page_path`.
bool WriteReplayPage(const std::string& record_path, const std::string& page_path,
                     std::string& error);

}  // namespace curling::server
