// The points of a finished end, by the engine's curling count, and who throws
// first in the next one.
#pragma once

#include "curling_simulator/records.h"

namespace curling::server {

// Points of one end. Stone i belongs to the side that threw shot i: side 0
// (throwing first) owns the even stones, side 1 the odd ones. `side` is -1
// for a blank end.
struct EndScore {
  int side = -1;
  int points = 0;
};

// The count of the stones where they lie after the last shot (ScorePosition).
EndScore ScoreEnd(const GameState& state);

// The seat (0 or 1, the order of the engines in the match) that throws first
// in the end after one where `first_seat` threw first and `score` was made.
// The side that scores throws first next; after a blank end the order stays.
int NextFirstSeat(int first_seat, const EndScore& score);

}  // namespace curling::server
