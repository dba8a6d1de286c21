#include "eval/scoring.h"

#include <cassert>

#include "game/rink.h"

namespace curling {
namespace {

constexpr float kLimitSquared = kScoringLimit * kScoringLimit;

}  // namespace

int ScorePosition(const GameState& position, int side) {
  // Squared distances from the tee; no square root is needed to compare them.
  float d2[kStoneCount];
  for (int k = 0; k < kStoneCount; ++k) {
    const float dx = position.Stones[k].x - kTeeX;
    const float dy = position.Stones[k].y - kTeeY;
    const float xx = dx * dx;
    const float yy = dy * dy;
    d2[k] = xx + yy;
  }
  // Nearest stone of each side, capped at the scoring limit.
  float nearest_even = kLimitSquared;
  float nearest_odd = kLimitSquared;
  for (int k = 0; k < kStoneCount; k += 2) {
    if (nearest_even >= d2[k]) nearest_even = d2[k];
    if (nearest_odd >= d2[k + 1]) nearest_odd = d2[k + 1];
  }
  int score = 0;
  if (nearest_odd > nearest_even) {
    const int point = side == 0 ? 1 : -1;
    for (int k = 0; k < kStoneCount; k += 2) {
      if (d2[k] < nearest_odd) score += point;
    }
  } else if (nearest_even > nearest_odd) {
    const int point = side == 1 ? 1 : -1;
    for (int k = 1; k < kStoneCount; k += 2) {
      if (d2[k] < nearest_even) score += point;
    }
  }
  assert(score >= -8 && score <= 8);
  return score;
}

}  // namespace curling
