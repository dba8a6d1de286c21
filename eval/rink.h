// Rink coordinates (metres, single precision) and side conventions.
#pragma once

#include "curling_simulator/records.h"

namespace curling {

inline constexpr float kCentreLineX = 2.375f;
inline constexpr float kTeeX = 2.375f;
inline constexpr float kTeeY = 4.88f;
inline constexpr float kDeliveryX = 2.375f;
inline constexpr float kDeliveryY = 41.28f;
inline constexpr float ScoringLimit = 1.975f;   // house radius 1.83 + stone radius
inline constexpr float kStoneRadius = 0.145f;   // half-width of a delivery corridor
inline constexpr float kStoneDiameter = 0.29f;  // least gap for the corridor tests
inline constexpr float kCorridorDepth = 3.0f;   // greatest gap for the corridor tests
inline constexpr int kStoneCount = 16;
inline constexpr float NoScore = -8.0f;

// Stone i is thrown as shot i and belongs to side i % 2. The side to throw is
// ShotNum % 2, its opponent (ShotNum + 1) % 2: truncated remainders, so a
// negative ShotNum gives -1 or 0, and -1 matches no stone.
inline int SideToThrow(int shot_num) {
  return shot_num % 2;
}
// (shot_num + 1) % 2 without the overflow at INT_MAX.
inline int OpponentOf(int shot_num) {
  if (shot_num % 2 != 0) return 0;
  return shot_num < 0 ? -1 : 1;
}

// Number of thrown stones that may be looked at: ShotNum kept within the 16
// stones that exist, whatever SETSTATE stored.
inline int ThrownStones(const GameState& state) {
  const int n = state.ShotNum;
  return n < 0 ? 0 : (n > kStoneCount ? kStoneCount : n);
}

}  // namespace curling
