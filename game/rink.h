// The sheet in single precision, as the engine computes with it, and the
// conventions of the game record: which stones are thrown and which side
// throws.
//
// Why a second rink beside include/curling_simulator/rink.h: the library
// computes in double precision and publishes its sheet so; the engine reads
// and writes the game record's floats and computes its count, its stone
// queries and the geometry of its shots in float, so it needs the same sheet
// as floats. Each value here
// is derived from the library's (the float nearest it), never written twice,
// and the static_asserts below hold them to the values the engine's results
// were computed with: the bench pins those results, so a change of the
// library's sheet that moved one of these floats must fail here first.
#pragma once

#include "curling_simulator/records.h"
#include "curling_simulator/rink.h"

namespace curling {

inline constexpr float kTeeX = static_cast<float>(sim::kTeeX);
inline constexpr float kTeeY = static_cast<float>(sim::kTeeY);
inline constexpr float kCentreLineX = kTeeX;
inline constexpr float kDeliveryX = static_cast<float>(sim::kDeliveryX);
inline constexpr float kDeliveryY = static_cast<float>(sim::kDeliveryY);
inline constexpr float kHouseRadius = static_cast<float>(sim::kHouseRadius);
// A stone nearer the tee than this (1.975) is in the house.
inline constexpr float kScoringLimit = static_cast<float>(sim::kHouseTouchDistance);
inline constexpr float kStoneRadius = static_cast<float>(sim::kStoneRadius);
inline constexpr float kStoneDiameter = static_cast<float>(2 * sim::kStoneRadius);
inline constexpr int kStoneCount = 16;

static_assert(kTeeX == 2.375f && kTeeY == 4.88f);
static_assert(kDeliveryX == 2.375f && kDeliveryY == 41.28f);
static_assert(kHouseRadius == 1.83f && kScoringLimit == 1.975f);
static_assert(kStoneRadius == 0.145f && kStoneDiameter == 0.29f);
static_assert(sizeof(GameState::Stones) / sizeof(StonePosition) == kStoneCount);
static_assert(kStoneCount % 2 == 0, "stone i belongs to side i % 2: the sides alternate");

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

// A stone at exactly (0, 0) is out of play.
inline bool IsInPlay(const StonePosition& stone) {
  return !(stone.x == 0.0f && stone.y == 0.0f);
}

}  // namespace curling
