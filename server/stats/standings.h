// The standings of a tournament between any number of engines: each
// pairing's games seen from its first engine (A), each engine's games
// against all of its opponents with an Elo and nElo against that field, and
// the crosstable; as summary.json and as text.
//
// With two engines the summary keeps the keys of a two-engine match
// (docs/tournaments.md) and adds the new ones beside them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "server/stats/tournament_summary.h"

namespace curling::stats {

struct PairingResult {
  int a = 0;  // player indices
  int b = 1;
  TournamentSummary summary;  // A's view: tally, Elo, SPRT (engine_a, engine_b names)
};

struct PlayerStanding {
  std::string name;
  std::string command;
  TallySnapshot tally;  // all its games, seen from it
  EloEstimate elo;      // from its pairs against all its opponents
};

struct Standings {
  std::string format;  // "round-robin" or "gauntlet"
  std::string status;  // "running", "completed", "sprt", "fault", "interrupted"
  std::string fault;   // what stopped it, when a fault did
  int64_t games = 0;
  int64_t games_planned = 0;
  std::vector<PlayerStanding> players;
  std::vector<PairingResult> pairings;
};

// A tally seen from the other engine: wins and losses, points, the end score
// difference and the pair cells mirrored.
TallySnapshot Mirrored(const TallySnapshot& tally);

// Fills in every player's tally and estimate from the pairings.
void ComputePlayerStandings(Standings& standings);

nlohmann::json StandingsJson(const Standings& standings);
std::string FormatStandingsReport(const Standings& standings);
// The progress line: with two engines FormatProgressLine of the pairing.
std::string FormatStandingsProgress(const Standings& standings);

// Writes `dir`/summary.json through a temporary file renamed into place.
std::string WriteStandingsJson(const std::filesystem::path& dir, const Standings& standings);

}  // namespace curling::stats
