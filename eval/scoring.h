// The signed curling count of a position, -8 to 8: only the side with the
// stone nearest the tee scores, one point per stone nearer the tee than the
// other side's nearest, counting only stones in the house (nearer than
// kScoringLimit). Nearest stones of both sides equally far count nothing.
#pragma once

#include "curling_simulator/records.h"

namespace curling {

// The worst count, the start value of every best-mean selection and a
// search's result when it chose nothing: a mean must exceed it to be chosen.
inline constexpr float kNoScore = -8.0f;

// Points of `position` for `side` (stone i belongs to side i % 2): positive
// when `side` scores, negative when the other side does, 0 for a blank. A
// side other than 0 or 1 can only lose points. Reads all 16 stones; a stone
// out of play at (0, 0) or with a NaN coordinate never counts. Pure.
int ScorePosition(const GameState& position, int side);

}  // namespace curling
