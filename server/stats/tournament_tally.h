// Collects the results of a tournament's games as they finish, in any order.
// Games 2k and 2k+1 form pair k (same seed, first-end hammer swapped); a pair
// counts toward the Elo estimate and the SPRT once both of its games are in.
#pragma once

#include <optional>
#include <vector>

#include "server/stats/game_result.h"
#include "server/stats/pair_counts.h"

namespace curling::stats {

struct TallySnapshot {
  int64_t games = 0;
  int64_t wins = 0;  // A's
  int64_t draws = 0;
  int64_t losses = 0;
  double points = 0.0;  // A's: wins + draws / 2
  int64_t ends = 0;
  int64_t end_score_difference = 0;  // sum over games of A's points minus B's
  PairCounts pairs;

  // A's points minus B's per end played; 0 before any end.
  double MeanEndScoreDifference() const;
};

class TournamentTally {
 public:
  // Records game `game_index` (0-based). Returns false, recording nothing,
  // when that game was already recorded or the index is negative.
  bool Record(int game_index, const GameResult& result);

  TallySnapshot Snapshot() const { return snapshot_; }

 private:
  std::vector<std::optional<GameResult>> games_;
  TallySnapshot snapshot_;
};

}  // namespace curling::stats
