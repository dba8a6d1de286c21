// A page for one position: the house and the guard zone with the stones,
// the value of a draw to every point of the house for each curl as a heat
// map, and the solved best delivery and the engine's marked by their open
// paths and target points. Every text on it is escaped.
#pragma once

#include <optional>
#include <string>

#include "suite/heat_map.h"
#include "suite/run_report.h"
#include "suite/suite.h"

namespace curling::suite {

// `result` is the engine's run on the position, when there was one.
std::string PositionPage(const SuitePosition& position, const WinTable& table, const HeatMap& map,
                         const PositionResult* result);

}  // namespace curling::suite
