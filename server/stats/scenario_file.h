// Start positions for a tournament (--scenarios FILE), one JSON object per
// line (JSON Lines); blank lines and lines starting with '#' are skipped:
//
//   {"name": "last stone, one down", "end": 7, "shot": 15,
//    "score": {"hammer": 3, "other": 4},
//    "stones": [[2.4, 5.1], [0, 0], [1.9, 4.5]]}
//
//   stones  up to 16 [x, y] pairs in metres, stone i thrown as shot i of the
//           end; missing entries and [0, 0] are stones out of play or not
//           yet thrown. The side with the hammer (the last stone of the end)
//           owns the odd stones, the other side the even ones. Stones i >=
//           shot must be [0, 0]; every other stone lies on the sheet.
//   shot    the shot about to be thrown, 0 to 15 (required).
//   end     0-based index of the end being played (default 0).
//   score   points each side has before this end (default 0 and 0).
//   name    a label for reports (default "line N").
//
// Each scenario is played as a pair: each engine holds the hammer once.
#pragma once

#include <array>
#include <filesystem>
#include <istream>
#include <string>
#include <vector>

#include "curling_simulator/records.h"

namespace curling::stats {

struct StartScenario {
  std::string name;
  int line = 0;  // 1-based line of the file it came from
  int end = 0;
  int shot = 0;
  int hammer_score = 0;
  int other_score = 0;
  std::array<StonePosition, 16> stones{};
};

struct ScenarioList {
  std::vector<StartScenario> scenarios;
  std::string error;  // empty when every line parsed; else "SOURCE:LINE: what is wrong"
};

// Parses the whole stream; stops at the first bad line. `source` names the
// input in error messages.
ScenarioList ParseScenarios(std::istream& in, const std::string& source);
ScenarioList LoadScenarioFile(const std::filesystem::path& path);

}  // namespace curling::stats
