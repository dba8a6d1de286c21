#include "search/strong/game_situation.h"

#include <algorithm>
#include <cassert>

#include "eval/scoring.h"
#include "eval/win_probability.h"

namespace curling::strong {
namespace {

// Scaled so that the tie-break runs from 0 (lost by 8) to 1e-3 (scored 8).
constexpr double kPointTieBreak = 1e-3 / 16.0;

}  // namespace

GameSituation SituationOf(const GameState& state, int own_points, int opponent_points) {
  GameSituation situation;
  // Scores are small; clamping keeps absurd protocol values from overflowing.
  situation.lead = std::clamp(own_points, -1000, 1000) - std::clamp(opponent_points, -1000, 1000);
  const long long left = static_cast<long long>(state.LastEnd) - state.CurEnd;
  situation.ends_left = static_cast<int>(std::clamp(left, 0LL, 100LL));
  return situation;
}

double WinChanceAfterEnd(const GameSituation& situation, int side, int side_points) {
  assert(side == 0 || side == 1);
  if (side == 1) return WinProbabilityAfterEnd(situation.lead, side_points, situation.ends_left);
  // Seen from the hammer side: its lead is ours negated, its points ours negated.
  return 1.0 - WinProbabilityAfterEnd(-situation.lead, -side_points, situation.ends_left);
}

double EndValue(const GameSituation& situation, int side, const GameState& end_position) {
  const int points = ScorePosition(end_position, side);
  return WinChanceAfterEnd(situation, side, points) + kPointTieBreak * (points + 8);
}

double ExpectedEndValue(const GameSituation& situation, int side,
                        const EndResultDistribution& results) {
  double value = 0.0;
  for (int c = 0; c < kEndResultCount; ++c) {
    const int points = EndResultPoints(c);
    value += results[static_cast<size_t>(c)] *
             (WinChanceAfterEnd(situation, side, points) + kPointTieBreak * (points + 8));
  }
  return value;
}

}  // namespace curling::strong
