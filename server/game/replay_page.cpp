#include "server/game/replay_page.h"

#include <fstream>

#include "server/game/game_record.h"
#include "server/text/safe_files.h"
#include "viewer/replay_template.h"  // generated from viewer/replay.html

namespace curling::server {
namespace {

constexpr std::string_view kMarker = "@GAME_RECORD@";

// JSON inside a <script> element: every '<' (which only occurs in strings)
// is written as \u003c, so no text can close the element or open a comment.
std::string ScriptSafe(const std::string& json) {
  std::string out;
  out.reserve(json.size());
  for (char c : json) {
    if (c == '<') {
      out += "\\u003c";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string BuildReplayPage(const std::vector<nlohmann::json>& lines) {
  const nlohmann::json record(lines);
  const std::string data =
      ScriptSafe(record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  std::string page(viewer::kReplayTemplate);
  const size_t at = page.find(kMarker);
  if (at != std::string::npos) page.replace(at, kMarker.size(), data);
  return page;
}

bool WriteReplayPage(const std::string& record_path, const std::string& page_path,
                     std::string& error) {
  std::vector<nlohmann::json> lines;
  int skipped = 0;
  if (!ReadGameRecord(record_path, lines, skipped, error)) return false;
  error = WriteFileWhole(page_path, BuildReplayPage(lines));
  return error.empty();
}

}  // namespace curling::server
