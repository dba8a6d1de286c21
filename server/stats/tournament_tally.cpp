#include "server/stats/tournament_tally.h"

#include <cassert>

namespace curling::stats {

double TallySnapshot::MeanEndScoreDifference() const {
  if (ends == 0) return 0.0;
  return static_cast<double>(end_score_difference) / static_cast<double>(ends);
}

bool TournamentTally::Record(int game_index, const GameResult& result) {
  if (game_index < 0) return false;
  const auto index = static_cast<size_t>(game_index);
  if (index >= games_.size()) games_.resize(index + 1);
  if (games_[index].has_value()) return false;
  games_[index] = result;

  TallySnapshot& s = snapshot_;
  ++s.games;
  switch (result.outcome) {
    case GameOutcome::kWin:
      ++s.wins;
      break;
    case GameOutcome::kDraw:
      ++s.draws;
      break;
    case GameOutcome::kLoss:
      ++s.losses;
      break;
  }
  s.points += ScoreOf(result.outcome);
  s.ends += result.ends;
  s.end_score_difference += result.points_a - result.points_b;

  const size_t partner = index ^ 1u;
  if (partner < games_.size() && games_[partner].has_value()) {
    const GameResult& first = index < partner ? result : *games_[partner];
    const GameResult& second = index < partner ? *games_[partner] : result;
    s.pairs.Add(first.outcome, second.outcome);
  }
  // Every game is a win, a draw or a loss worth 1, 1/2 or 0; a pair holds two.
  assert(s.wins + s.draws + s.losses == s.games);
  assert(s.points == static_cast<double>(s.wins) + 0.5 * static_cast<double>(s.draws));
  assert(2 * s.pairs.Pairs() <= s.games);
  return true;
}

}  // namespace curling::stats
