// The game record reader and the replay page built from what it reads
// (curling-match --record-only) over arbitrary text. Reading either succeeds
// with a header line first or fails with a reason; the page built from any
// record holds the template once, and the record inside its script element
// can neither close the element nor open a comment (no '<' in it).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "server/game/game_record.h"
#include "server/game/replay_page.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "game_record_fuzz: %s\n", what);
  std::abort();
}

// The page's text around the record: the same for every record.
struct TemplateParts {
  std::string before;
  std::string after;
};

TemplateParts Parts() {
  const std::string marker = "[\"record-goes-here\"]";
  const std::string page = curling::server::BuildReplayPage({nlohmann::json("record-goes-here")});
  const size_t at = page.find(marker);
  if (at == std::string::npos) Fail("the template has no place for the record");
  return {page.substr(0, at), page.substr(at + marker.size())};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TemplateParts parts = Parts();
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::vector<nlohmann::json> lines;
  int skipped = 0;
  std::string error;
  if (!curling::server::ReadGameRecord(in, "game.jsonl", lines, skipped, error)) {
    if (error.empty()) Fail("a failure without a reason");
    return 0;
  }
  if (lines.empty() || lines.front()["type"] != "header") Fail("accepted without a header line");
  const std::string page = curling::server::BuildReplayPage(lines);
  if (page.size() < parts.before.size() + parts.after.size() ||
      page.compare(0, parts.before.size(), parts.before) != 0 ||
      page.compare(page.size() - parts.after.size(), parts.after.size(), parts.after) != 0) {
    Fail("the page's template was changed");
  }
  const std::string record =
      page.substr(parts.before.size(), page.size() - parts.before.size() - parts.after.size());
  if (record.find('<') != std::string::npos) Fail("a '<' inside the script element");
  return 0;
}
