// What a tournament leaves: the numbers of its games and pairs, the Elo
// estimate, the SPRT state, as summary.json and as a text report.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "server/stats/elo_estimate.h"
#include "server/stats/sprt.h"
#include "server/stats/tournament_tally.h"

namespace curling::stats {

struct TournamentSummary {
  std::string engine_a;  // how the engines were named on the command line
  std::string engine_b;
  int64_t games_planned = 0;
  TallySnapshot tally;
  EloEstimate elo;
  std::optional<SprtParameters> sprt_parameters;  // set when a test runs
  SprtStatus sprt;
};

// Computes the estimate (and the SPRT, when parameters are given) of `tally`.
TournamentSummary Summarize(const TallySnapshot& tally, std::optional<SprtParameters> sprt);

// Keys: games, games_planned, wins, draws, losses, points, mean_end_score_difference,
// pairs, pentanomial (pair counts scoring 0, 1/4, 1/2, 3/4, 1), score (mean pair
// score), elo, elo_low, elo_high (null where unbounded or not yet known),
// elo_bound ("none", "two-sided", "lower", "upper"), los, engines {a, b}, and
// sprt: null when no test ran, else {elo0, elo1, alpha, beta, llr,
// lower_bound, upper_bound, result ("continue", "H0", "H1")}.
nlohmann::json SummaryToJson(const TournamentSummary& summary);

// A few lines for people, ending with a line end.
std::string FormatTextReport(const TournamentSummary& summary);

// Writes `dir`/summary.json through a temporary file renamed into place, so a
// reader never sees half a file. Returns an empty string or what went wrong.
std::string WriteSummaryJson(const std::filesystem::path& dir, const TournamentSummary& summary);
std::string WriteJsonAtomically(const std::filesystem::path& target, const nlohmann::json& value);

// "+12.3", "-4.0", "+inf"/"-inf" for an unbounded end (given which end).
std::string FormatElo(const std::optional<double>& elo, bool upper_end);

}  // namespace curling::stats
