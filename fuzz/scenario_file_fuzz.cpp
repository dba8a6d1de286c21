// The start-position file reader over arbitrary text. Either the file is
// refused with "SOURCE:LINE: reason" (or "SOURCE: reason") and no scenario,
// or every scenario it returns is one a game can start from: shot 0 to 15,
// stones on the sheet or at (0, 0), no stone in play that is not thrown yet.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "curling_simulator/rink.h"
#include "server/stats/scenario_file.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "scenario_file_fuzz: %s: %s\n", what, detail.c_str());
  std::abort();
}

void CheckScenario(const curling::stats::StartScenario& s) {
  using namespace curling::sim;
  if (s.shot < 0 || s.shot > 15) Fail("shot out of range", s.name);
  if (s.end < 0 || s.hammer_score < 0 || s.other_score < 0) Fail("negative count", s.name);
  for (int i = 0; i < 16; ++i) {
    const StonePosition& p = s.stones[i];
    if (p.x == 0.0f && p.y == 0.0f) continue;
    if (i >= s.shot) Fail("a stone not thrown yet in play", s.name);
    const bool on_sheet = std::isfinite(p.x) && std::isfinite(p.y) && p.x > 0 &&
                          p.x < kSheetWidth && p.y > 0 && p.y <= kDeliveryY;
    if (!on_sheet) Fail("a stone off the sheet", s.name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const curling::stats::ScenarioList list = curling::stats::ParseScenarios(in, "f.jsonl");
  if (!list.error.empty()) {
    if (!list.scenarios.empty()) Fail("scenarios beside an error", list.error);
    if (list.error.rfind("f.jsonl:", 0) != 0) Fail("error without the file's name", list.error);
    return 0;
  }
  if (list.scenarios.empty()) Fail("no scenarios and no error", "");
  for (const auto& s : list.scenarios)
    CheckScenario(s);
  return 0;
}
