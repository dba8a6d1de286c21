// The one-line progress report of a running tournament.
#pragma once

#include <string>

#include "server/stats/tournament_summary.h"

namespace curling::stats {

// e.g. "games 12/100  W 5 D 2 L 5  points 6.0  Elo +12.3 [-40.1, +64.7]  LLR 0.31 [-2.94, 2.94]"
// (no line end; the SPRT part only when a test runs).
std::string FormatProgressLine(const TournamentSummary& summary);

}  // namespace curling::stats
