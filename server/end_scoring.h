// The curling count of a finished end and who throws first in the next one.
#pragma once

#include "curling_simulator/records.h"

namespace curling::server {

// Stones within this distance of the tee count (house radius plus a stone radius).
inline constexpr float kScoringLimit = 1.975f;
inline constexpr float kTeeX = 2.375f;
inline constexpr float kTeeY = 4.88f;

// Points of one end, from the stones where they lie after the last shot.
// Stone i belongs to the side that threw shot i: side 0 (throwing first) owns
// the even stones, side 1 the odd ones. `side` is -1 for a blank end.
struct EndScore {
  int side = -1;
  int points = 0;
};

// Only the side with the stone nearest the tee scores, one point per stone
// strictly nearer than the other side's nearest stone; stones at or beyond the
// scoring limit, and stones out of play at (0, 0), never count. Nearest
// stones of both sides at exactly the same distance make a blank end.
EndScore ScoreEnd(const StonePosition (&stones)[16]);

// The seat (0 or 1, the order of the engines in the match) that throws first
// in the end after one where `first_seat` threw first and `score` was made.
// The side that scores throws first next; after a blank end the order stays.
int NextFirstSeat(int first_seat, const EndScore& score);

}  // namespace curling::server
