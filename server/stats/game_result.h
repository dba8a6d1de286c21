// One finished game of a tournament, seen from engine A (the first engine of
// the match) against engine B.
#pragma once

namespace curling::stats {

enum class GameOutcome { kWin, kDraw, kLoss };

struct GameResult {
  GameOutcome outcome = GameOutcome::kDraw;
  int points_a = 0;  // total points A scored over the ends played
  int points_b = 0;
  int ends = 0;  // ends played (a forfeited game may have fewer than planned)
};

// The game's score for A: 1 for a win, 1/2 for a draw, 0 for a loss.
inline double ScoreOf(GameOutcome outcome) {
  switch (outcome) {
    case GameOutcome::kWin:
      return 1.0;
    case GameOutcome::kDraw:
      return 0.5;
    case GameOutcome::kLoss:
      return 0.0;
  }
  return 0.5;
}

}  // namespace curling::stats
