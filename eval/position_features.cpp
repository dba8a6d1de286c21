#include "eval/position_features.h"

#include <algorithm>
#include <cassert>

#include "game/rink.h"

namespace curling {
namespace {

struct SideStone {
  float dx;
  float dy;
  float distance2;
};

// Writes the stones of `side` in play, nearest the tee first (ties by
// position, so the order never depends on the stones' numbers).
void WriteSide(const GameState& state, int side, float* out) {
  std::array<SideStone, kStoneCount> stones{};
  int count = 0;
  for (int i = side; i < ThrownStones(state); i += 2) {
    const StonePosition& s = state.Stones[i];
    if (!IsInPlay(s)) continue;
    const float dx = s.x - kTeeX;
    const float dy = s.y - kTeeY;
    stones[static_cast<size_t>(count++)] = SideStone{dx, dy, dx * dx + dy * dy};
  }
  std::sort(stones.begin(), stones.begin() + count, [](const SideStone& a, const SideStone& b) {
    if (a.distance2 != b.distance2) return a.distance2 < b.distance2;
    if (a.dx != b.dx) return a.dx < b.dx;
    return a.dy < b.dy;
  });
  assert(count <= kFeatureStonesPerSide);
  for (int i = 0; i < std::min(count, kFeatureStonesPerSide); ++i) {
    const SideStone& s = stones[static_cast<size_t>(i)];
    out[kFeatureValuesPerStone * i] = 1.0f;
    out[kFeatureValuesPerStone * i + 1] = s.dx / kFeatureScale;
    out[kFeatureValuesPerStone * i + 2] = s.dy / kFeatureScale;
  }
}

}  // namespace

PositionFeatures FeaturesOf(const GameState& state) {
  assert(state.ShotNum >= 0 && state.ShotNum < kStoneCount);
  PositionFeatures features{};
  const int side = SideToThrow(state.ShotNum);
  constexpr int kSideWidth = kFeatureStonesPerSide * kFeatureValuesPerStone;
  WriteSide(state, side, features.data());
  WriteSide(state, 1 - side, features.data() + kSideWidth);
  features[static_cast<size_t>(2 * kSideWidth + state.ShotNum)] = 1.0f;
  features[kFeatureCount - 1] = side == 1 ? 1.0f : 0.0f;  // side 1 throws last
  return features;
}

}  // namespace curling
