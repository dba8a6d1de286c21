#include "server/stats/progress_line.h"

#include <fmt/format.h>

namespace curling::stats {

std::string FormatProgressLine(const TournamentSummary& summary) {
  const TallySnapshot& t = summary.tally;
  const EloEstimate& e = summary.elo;
  std::string line = fmt::format("games {}/{}  W {} D {} L {}  points {:.1f}", t.games,
                                 summary.games_planned, t.wins, t.draws, t.losses, t.points);
  switch (e.bound) {
    case EloBound::kNone:
      line += "  Elo n/a";
      break;
    case EloBound::kLowerOnly:
      line += e.elo_low ? "  Elo >= " + FormatElo(e.elo_low, false) : "  Elo n/a";
      break;
    case EloBound::kUpperOnly:
      line += e.elo_high ? "  Elo <= " + FormatElo(e.elo_high, true) : "  Elo n/a";
      break;
    case EloBound::kTwoSided:
      line += fmt::format("  Elo {} [{}, {}]", FormatElo(e.elo, false), FormatElo(e.elo_low, false),
                          FormatElo(e.elo_high, true));
      break;
  }
  if (summary.sprt_parameters.has_value()) {
    line += fmt::format("  LLR {:.2f} [{:.2f}, {:.2f}]", summary.sprt.llr, summary.sprt.lower_bound,
                        summary.sprt.upper_bound);
  }
  return line;
}

}  // namespace curling::stats
