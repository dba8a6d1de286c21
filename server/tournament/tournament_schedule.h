// Which games a tournament plays, in which order, with which engines in which
// seats, on which seed and from which start position. A pure function of the
// plan: the local runner, a resumed run and a runner spread over machines
// all agree on what game i is.
//
// Pairings: round robin pairs every engine with every later one (engine i is
// the pairing's A against j > i); a gauntlet pairs the first engine (A) with
// each of the others. Each pairing plays `plan.games` games in pairs: pair r
// of every pairing is round r, played on seed (seed + r) from the round's
// start position; in its first game the pairing's A sits in seat 0, in the
// second the seats are swapped. Games are numbered round by round, pairing by
// pairing within a round, so that every pairing advances together; with two
// engines game g is game g % 2 of pair g / 2, as a two-engine match has
// always numbered them.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "server/game/game_types.h"
#include "server/tournament/tournament_plan.h"

namespace curling::server {

struct Pairing {
  int a = 0;  // engine indices into plan.engines; results are counted for A
  int b = 1;
};

struct ScheduledGame {
  int index = 0;               // 0-based over the tournament; folder game-(index + 1)
  int pairing = 0;             // index into the schedule's pairings
  int round = 0;               // the pair's number within its pairing
  int game_in_pairing = 0;     // 2 * round, or 2 * round + 1 with the seats swapped
  int a_seat = 0;              // the seat of the pairing's A
  std::array<int, 2> seats{};  // engine index in seat 0 and in seat 1
  uint64_t seed = 0;
  int scenario = -1;  // index into plan.scenarios.list, or -1
};

class TournamentSchedule {
 public:
  explicit TournamentSchedule(const TournamentPlan& plan);

  const std::vector<Pairing>& pairings() const { return pairings_; }
  int total_games() const { return total_games_; }
  ScheduledGame Game(int index) const;

 private:
  std::vector<Pairing> pairings_;
  std::vector<int> scenario_order_;  // position played at the k-th step
  int games_per_pairing_ = 0;
  int total_games_ = 0;
  uint64_t seed_ = 0;
  int scenario_start_ = 0;
  int scenario_repeats_ = 1;
};

// The folder of game `index` (0-based): `folder`/game-0001 ...
std::filesystem::path GameFolder(const std::filesystem::path& folder, int index);

// The configuration of a scheduled game: its engines seated, their logs in
// the game's folder, its seed and start position.
GameConfig ScheduledGameConfig(const TournamentPlan& plan, const ScheduledGame& game);

}  // namespace curling::server
