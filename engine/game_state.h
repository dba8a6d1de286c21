// The one shared game state of the engine process: changed only by the
// NEWGAME, POSITION and SETSTATE commands, read by the decision and queries.
#pragma once

#include "curling_simulator/records.h"

namespace curling {

extern GameState g_game_state;

}  // namespace curling
