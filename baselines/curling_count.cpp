#include "baselines/curling_count.h"

#include <cmath>
#include <limits>

namespace curling::baselines {

float DistanceToTee(const StonePosition& stone) {
  return std::hypot(stone.x - kTeeX, stone.y - kTeeY);
}

bool InPlay(const StonePosition& stone) {
  return (stone.x != 0.0f || stone.y != 0.0f) && std::isfinite(stone.x) && std::isfinite(stone.y);
}

int CountForSide(const GameState& state, int side) {
  float nearest[2] = {std::numeric_limits<float>::infinity(),
                      std::numeric_limits<float>::infinity()};
  for (int i = 0; i < 16; ++i) {
    const StonePosition& s = state.Stones[i];
    if (!InPlay(s)) continue;
    const float d = DistanceToTee(s);
    if (d < kScoringLimit && d < nearest[i % 2]) nearest[i % 2] = d;
  }
  if (nearest[0] == nearest[1]) return 0;  // blank (both none, or an exact tie)
  const int scorer = nearest[0] < nearest[1] ? 0 : 1;
  int points = 0;
  for (int i = scorer; i < 16; i += 2) {
    const StonePosition& s = state.Stones[i];
    if (InPlay(s) && DistanceToTee(s) < nearest[1 - scorer] && DistanceToTee(s) < kScoringLimit) {
      ++points;
    }
  }
  return scorer == side ? points : -points;
}

}  // namespace curling::baselines
