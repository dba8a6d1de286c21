// The sheet as the library plays it, and the delivery error games are played
// with. Every program that reasons about positions takes these from here.
// The library computes in double precision; curling-engine, which computes
// in the game record's single precision, derives its float copies from these
// in game/rink.h (and holds them there to the values its results rest on).
#pragma once

namespace curling::sim {

// Sheet (metres; x across, y along, deliveries travel toward smaller y).
inline constexpr double kSheetWidth = 4.75;
inline constexpr double kDeliveryX = 2.375;
inline constexpr double kDeliveryY = 41.28;
inline constexpr double kTeeX = 2.375;
inline constexpr double kTeeY = 4.88;
inline constexpr double kHouseRadius = 1.83;
inline constexpr double kBackLineY = 3.05;
inline constexpr double kHogLineY = 11.28;
inline constexpr double kStoneRadius = 0.145;
// A stone whose centre is farther than this from the tee does not touch the
// house; nearer, it is in the house and counts in the score.
inline constexpr double kHouseTouchDistance = kHouseRadius + kStoneRadius;

// The random delivery error (standard deviation, metres) of a match: what the
// engine's searches assume and what the match server plays with by default.
inline constexpr float kMatchRandomError = 0.145f;

}  // namespace curling::sim
