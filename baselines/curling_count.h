// The curling count of a position for the baselines: only the side with the
// stone nearest the tee scores, one point per stone nearer than the other
// side's nearest; only stones within the house plus a stone radius count.
#pragma once

#include "curling_simulator/records.h"

namespace curling::baselines {

inline constexpr float kTeeX = 2.375f;
inline constexpr float kTeeY = 4.88f;
inline constexpr float kHouseRadius = 1.83f;
inline constexpr float kScoringLimit = 1.975f;  // house radius plus a stone radius

// Points of the position for `side` (stone i belongs to side i % 2):
// positive when `side` scores, negative when the other side does, 0 blank.
int CountForSide(const GameState& state, int side);

// Distance of a stone from the tee.
float DistanceToTee(const StonePosition& stone);
bool InPlay(const StonePosition& stone);

}  // namespace curling::baselines
