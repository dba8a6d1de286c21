// What a tournament is: its engines, how they are paired, the games' rules,
// seeds and start positions, the test that may stop it early and what an
// engine's fault does. A plan is a plain value: the local runner
// (server/tournament/tournament.h), the ledger and a runner spread over
// machines all read the same plan, and its JSON form (PlanJson) is what a
// resumed run must match.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "server/game/game_types.h"
#include "server/stats/scenario_file.h"
#include "server/stats/sprt.h"

namespace curling::server {

enum class TournamentFormat {
  kRoundRobin,  // every pair of engines plays the same number of games
  kGauntlet,    // the first engine against each of the others
};
const char* TournamentFormatName(TournamentFormat format);  // "round-robin", "gauntlet"

enum class ScenarioOrder { kSequential, kRandom };
const char* ScenarioOrderName(ScenarioOrder order);  // "sequential", "random"

// Start positions and the order they are played in: round r (pair r of every
// pairing) plays position order[(start + r / repeats) mod count], where
// `order` is the file's order or, for kRandom, a shuffle of it drawn from
// `seed`.
struct ScenarioPlan {
  std::vector<stats::StartScenario> list;
  ScenarioOrder order = ScenarioOrder::kSequential;
  uint64_t seed = 0;
  int start = 0;    // 0-based index of the first position played
  int repeats = 1;  // rounds played in a row on each position
};

struct TournamentPlan {
  std::vector<EngineCommand> engines;  // at least two; stderr_log is set per game
  TournamentFormat format = TournamentFormat::kRoundRobin;
  GameRules rules;
  uint64_t seed = 0;
  int games = 2;  // per pairing, played in pairs (same seed, seats swapped)
  int concurrency = 1;
  std::optional<stats::SprtParameters> sprt;  // two engines only
  ScenarioPlan scenarios;
  // An engine's fault (crash, time, protocol, ...) stops the tournament unless
  // `recover`: then the faulted game counts as a loss and the next game starts
  // the engine afresh. An engine that cannot start stops it in any case.
  bool recover = false;
  int report_every = 1;  // games between progress lines
  std::filesystem::path folder;
};

// Checks what can be checked before the first game: counts, engines, start
// positions within the game's ends. Returns an empty string or the problem.
std::string ValidateTournamentPlan(const TournamentPlan& plan);

// Everything that decides which games are played and how they count (not the
// folder, the concurrency or the report interval): two runs with equal
// PlanJson play the same games.
nlohmann::json PlanJson(const TournamentPlan& plan);

// The plan back from its JSON form, for a process that plays its games
// without the command line or the files it came from (folder, concurrency
// and report interval left at their defaults). Nothing, with `error` set,
// when `j` is not such a form.
std::optional<TournamentPlan> PlanFromJson(const nlohmann::json& j, std::string& error);

// The first entry of PlanJson that differs, as "what: was X, now Y", or an
// empty string when none does.
std::string FirstPlanDifference(const nlohmann::json& was, const nlohmann::json& now);

}  // namespace curling::server
