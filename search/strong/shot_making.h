// Deliveries of the strong search, built through the physics library's
// inverse shots: draws that come to rest at a point and hits that pass a
// point with a given run left.
#pragma once

#include "curling_simulator/records.h"

namespace curling::strong {

// How much run a hit keeps after the aim point (metres of free path on an
// empty sheet): the weights curlers speak of.
inline constexpr float kTapWeight = 0.8f;      // nudges the struck stone back
inline constexpr float kRaiseWeight = 2.0f;    // promotes a stone by a metre or two
inline constexpr float kControlWeight = 3.0f;  // a hit that tends to stay
inline constexpr float kTakeOutWeight = 8.0f;  // removes the struck stone
inline constexpr float kPeelWeight = 60.0f;    // removes the stone and the shooter

ShotVector DrawTo(float x, float y, int curl);
ShotVector HitAt(float x, float y, float weight, int curl);
// A draw coming to rest `offset` metres in front of (x, y), along the line
// from the delivery point.
ShotVector DrawInFrontOf(float x, float y, float offset, int curl);
// A draw that stops short of the hog line: the stone is removed, touching
// nothing, and the end goes on as if it had not been thrown.
ShotVector ThrowAway();

}  // namespace curling::strong
