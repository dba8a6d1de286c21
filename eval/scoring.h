// The signed curling count of a position, -8 to 8.
#pragma once

#include "curling_simulator/records.h"

namespace curling {

// Pure; safe from any thread.
int ScorePosition(const GameState& position, int side);
// ScorePosition for the side to throw in the shared game state (main thread).
int ScoreForShooter(const GameState& position);

}  // namespace curling
