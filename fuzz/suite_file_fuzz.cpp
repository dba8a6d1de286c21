// The suite file reader over arbitrary text. Either the file is refused
// with "SOURCE:LINE: reason" (or "SOURCE: reason") and nothing read, or
// every position it returns can be played: shot 0 to 15, stones on the
// sheet or at (0, 0), none not yet thrown, none overlapping; a win table of
// chances; and what was read writes out and reads back the same.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "curling_simulator/rink.h"
#include "suite/suite_file.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "suite_file_fuzz: %s: %s\n", what, detail.c_str());
  std::abort();
}

bool InPlay(const StonePosition& s) {
  return s.x != 0.0f || s.y != 0.0f;
}

void CheckPosition(const curling::suite::SuitePosition& p) {
  using namespace curling::sim;
  if (p.shot < 0 || p.shot > 15) Fail("shot out of range", p.id);
  if (p.context.last_end < p.context.end || p.context.end < 0) Fail("ends out of order", p.id);
  for (int i = 0; i < 16; ++i) {
    const StonePosition& s = p.stones[i];
    if (!InPlay(s)) continue;
    if (i >= p.shot) Fail("a stone not thrown yet in play", p.id);
    if (!std::isfinite(s.x) || !std::isfinite(s.y) || s.x <= 0 || s.x >= kSheetWidth || s.y <= 0 ||
        s.y > kDeliveryY) {
      Fail("a stone off the sheet", p.id);
    }
    for (int j = 0; j < i; ++j) {
      if (InPlay(p.stones[j]) &&
          std::hypot(s.x - p.stones[j].x, s.y - p.stones[j].y) < 2 * kStoneRadius - 0.0011) {
        Fail("overlapping stones", p.id);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const curling::suite::SuiteRead read = curling::suite::ParseSuite(in, "f.jsonl");
  if (!read.error.empty()) {
    if (!read.suite.positions.empty()) Fail("positions beside an error", read.error);
    if (read.error.rfind("f.jsonl:", 0) != 0) Fail("error without the file's name", read.error);
    return 0;
  }
  if (read.suite.positions.empty()) Fail("no positions and no error", "");
  for (const auto& p : read.suite.positions)
    CheckPosition(p);
  for (int n = 0; n <= read.suite.header.win_table.max_ends_left(); ++n) {
    const double c = read.suite.header.win_table.Chance(0, n, true);
    if (!(c >= 0.0 && c <= 1.0)) Fail("a chance outside 0..1", std::to_string(c));
  }
  std::ostringstream once;
  curling::suite::WriteSuite(once, read.suite);
  std::istringstream again(once.str());
  const curling::suite::SuiteRead reread = curling::suite::ParseSuite(again, "g.jsonl");
  if (!reread.error.empty()) Fail("what was written does not read", reread.error);
  std::ostringstream twice;
  curling::suite::WriteSuite(twice, reread.suite);
  if (twice.str() != once.str()) Fail("a second round trip differs", once.str().substr(0, 200));
  return 0;
}
