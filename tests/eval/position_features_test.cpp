// The learned value's inputs and its result classes.
#include <gtest/gtest.h>

#include "eval/end_result.h"
#include "eval/position_features.h"
#include "game/rink.h"

namespace curling {
namespace {

float Stone(const PositionFeatures& f, int side_slot, int stone, int value) {
  return f[static_cast<size_t>(
      (side_slot * kFeatureStonesPerSide + stone) * kFeatureValuesPerStone + value)];
}

TEST(PositionFeaturesTest, SideToThrowFirstNearestTheTeeFirstOutOfPlayLeftOut) {
  GameState state{};
  state.ShotNum = 5;  // side 1 throws; stones 0, 2, 4 are side 0's, 1 and 3 side 1's
  state.Stones[0] = {kTeeX + 1.0f, kTeeY};
  state.Stones[1] = {kTeeX, kTeeY + 4.0f};
  state.Stones[2] = {kTeeX, kTeeY - 0.5f};
  state.Stones[3] = {kTeeX - 0.2f, kTeeY};
  state.Stones[4] = {0.0f, 0.0f};    // out of play
  state.Stones[6] = {kTeeX, kTeeY};  // not thrown yet: ignored
  const PositionFeatures f = FeaturesOf(state);
  // Side 1 (to throw): stone 3, then stone 1.
  EXPECT_EQ(Stone(f, 0, 0, 0), 1.0f);
  EXPECT_FLOAT_EQ(Stone(f, 0, 0, 1), -0.2f / kFeatureScale);
  EXPECT_FLOAT_EQ(Stone(f, 0, 1, 2), 4.0f / kFeatureScale);
  EXPECT_EQ(Stone(f, 0, 2, 0), 0.0f);
  // Side 0: stone 2, then stone 0; the stone out of play is absent.
  EXPECT_FLOAT_EQ(Stone(f, 1, 0, 2), -0.5f / kFeatureScale);
  EXPECT_FLOAT_EQ(Stone(f, 1, 1, 1), 1.0f / kFeatureScale);
  EXPECT_EQ(Stone(f, 1, 2, 0), 0.0f);
  // Shot 5 one-hot, and side 1 holds the hammer.
  const int shots = 2 * kFeatureStonesPerSide * kFeatureValuesPerStone;
  for (int s = 0; s < kFeatureShotCount; ++s)
    EXPECT_EQ(f[static_cast<size_t>(shots + s)], s == 5 ? 1.0f : 0.0f);
  EXPECT_EQ(f[kFeatureCount - 1], 1.0f);
  state.ShotNum = 4;
  EXPECT_EQ(FeaturesOf(state)[kFeatureCount - 1], 0.0f);
  // Side 0 now throws: its stones come first.
  EXPECT_FLOAT_EQ(Stone(FeaturesOf(state), 0, 0, 2), -0.5f / kFeatureScale);
}

TEST(EndResultTest, ClassesClipAndSwapSides) {
  EXPECT_EQ(EndResultClass(0), -kEndResultMin);
  EXPECT_EQ(EndResultClass(-8), 0);
  EXPECT_EQ(EndResultClass(8), kEndResultCount - 1);
  EXPECT_EQ(EndResultPoints(EndResultClass(3)), 3);
  EndResultDistribution p{};
  p[static_cast<size_t>(EndResultClass(2))] = 0.75;
  p[static_cast<size_t>(EndResultClass(-1))] = 0.25;
  const EndResultDistribution q = SwapSides(p);
  EXPECT_EQ(q[static_cast<size_t>(EndResultClass(-2))], 0.75);
  EXPECT_EQ(q[static_cast<size_t>(EndResultClass(1))], 0.25);
  EXPECT_EQ(SwapSides(q), p);
}

}  // namespace
}  // namespace curling
