// What a run of an engine over a suite comes to: per position the engine's
// delivery (or fault) and its regret; over the suite and by kind of position
// the mean regret with a 95% interval and the shares of positions within a
// small and a larger regret. Text, JSON and a page.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "suite/engine_runner.h"
#include "suite/regret.h"
#include "suite/suite.h"

namespace curling::suite {

struct PositionResult {
  const SuitePosition* position = nullptr;
  EngineAnswer answer;
  // The delivery judged: the engine's, or after a fault a stone thrown away.
  ShotVector judged{};
  Regret regret;
};

// "Within" thresholds: 0.01 and 0.05 in win chance; four times those in
// points (the solver's precision is 0.005 win, 0.02 points alike).
struct RegretThresholds {
  double small;
  double large;
};
RegretThresholds ThresholdsFor(Objective objective);

struct RegretSummary {
  std::string group;  // "win", "win crowded", "points", ...
  Objective objective = Objective::kWin;
  int positions = 0;
  int faults = 0;
  double mean = 0.0;
  double interval = 0.0;  // half-width of the 95% interval of the mean
  double within_small = 0.0;
  double within_large = 0.0;
};

// Per objective: all positions, then each tag in order of first appearance.
std::vector<RegretSummary> Summarise(const std::vector<PositionResult>& results);

std::string RunText(const std::string& engine, const std::vector<PositionResult>& results);
nlohmann::json RunJson(const std::string& engine, const std::vector<PositionResult>& results);
// `page_of(i)`: the link to position i's page, or "".
std::string RunPage(const std::string& engine, const std::vector<PositionResult>& results,
                    const std::vector<std::string>& position_pages);

// Text safe inside HTML elements and attribute values.
std::string HtmlEscape(const std::string& text);

}  // namespace curling::suite
