// Rink coordinates (metres, single precision) and side conventions.
#pragma once

namespace curling {

inline constexpr float kCentreLineX = 2.375f;
inline constexpr float kTeeX = 2.375f;
inline constexpr float kTeeY = 4.88f;
inline constexpr float kDeliveryX = 2.375f;
inline constexpr float kDeliveryY = 41.28f;
inline constexpr float ScoringLimit = 1.975f;  // house radius 1.83 + stone radius
inline constexpr float kStoneRadius = 0.145f;
inline constexpr float kStoneDiameter = 0.29f;
inline constexpr float kCorridorDepth = 3.0f;
inline constexpr int kStoneCount = 16;
inline constexpr float NoScore = -8.0f;

}  // namespace curling
