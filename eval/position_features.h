// The inputs of the learned position value: what the side to throw sees.
// For each side (the side to throw first, then its opponent) its stones in
// play nearest the tee first, each as three numbers: present (1 or 0), and
// its offset from the tee across and along the sheet in metres divided by
// kFeatureScale (zeros for an absent stone); then the shot number, one-hot
// over 16, and 1 when the side to throw holds the hammer (the last stone).
#pragma once

#include <array>

#include "curling_simulator/records.h"

namespace curling {

inline constexpr int kFeatureStonesPerSide = 8;
inline constexpr int kFeatureValuesPerStone = 3;
inline constexpr int kFeatureShotCount = 16;
inline constexpr int kFeatureCount =
    2 * kFeatureStonesPerSide * kFeatureValuesPerStone + kFeatureShotCount + 1;
inline constexpr float kFeatureScale = 2.0f;

using PositionFeatures = std::array<float, kFeatureCount>;

// The features of `state` for its side to throw (ShotNum 0 to 15).
PositionFeatures FeaturesOf(const GameState& state);

}  // namespace curling
