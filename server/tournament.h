// A tournament between two engines, A and B: games played in pairs on the
// same seed with the first-end hammer swapped, optionally from set start
// positions, several at a time, stopped early by an SPRT when one is asked
// for. Each game leaves its own folder (game-0001/ ...: game.jsonl,
// replay.html, engine logs); the tournament leaves summary.json and
// summary.txt beside them.
//
// Game g belongs to pair k = g / 2 and is played with seed (seed + k), so
// each game can be replayed alone with `curling-match --seed`. In game 2k
// A sits in seat 0 (throwing first in the first end, B holding the hammer);
// in game 2k + 1 the seats are swapped. With start positions, pair k plays
// position k modulo their number, the hammer side (odd stones) being seat 1:
// B holds the hammer in game 2k and A in game 2k + 1. The points given by a
// start position count for the result but not for the mean end score
// difference, nor do the ends before it.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <ostream>
#include <vector>

#include "server/game.h"
#include "server/stats/scenario_file.h"
#include "server/stats/sprt.h"
#include "server/stats/tournament_summary.h"

namespace curling::server {

struct TournamentPlan {
  std::array<EngineCommand, 2> engines;  // A then B (stderr_log is set per game)
  GameRules rules;
  uint64_t seed = 0;
  int games = 2;
  int concurrency = 1;
  std::optional<stats::SprtParameters> sprt;
  std::vector<stats::StartScenario> scenarios;
  std::filesystem::path folder;
};

struct TournamentOutcome {
  stats::TournamentSummary summary;
  bool interrupted = false;
  std::string error;  // the output could not be written
};

// Checks what can be checked before the first game: counts, start positions
// within the game's ends. Returns an empty string or the problem.
std::string ValidateTournamentPlan(const TournamentPlan& plan);

// The configuration of game `game` (0-based) of the plan, and A's seat in it.
GameConfig TournamentGameConfig(const TournamentPlan& plan, int game, int& a_seat);

// A game's result seen from the engine in `a_seat`.
stats::GameResult ResultForSeat(const GameResult& result, int a_seat);

// Plays the tournament, writing one line per finished game and the progress
// line to `out`, and summary.json after every game.
TournamentOutcome RunTournament(const TournamentPlan& plan, const ShotPlayer& player,
                                std::ostream& out);

}  // namespace curling::server
