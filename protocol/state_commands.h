// The commands that set the game state, read from their words: POSITION and
// SETSTATE (NEWGAME is `state = GameState{}`).
#pragma once

#include <string>

#include "curling_simulator/records.h"

namespace curling::protocol {

// POSITION x0 y0 ... x15 y15: stone k from words 2k+1 and 2k+2 of the
// zero-terminated `line` (ParseCoordinate). Stops at the first missing word
// and returns false; the coordinates stored before it are kept. `word` is
// scratch space.
bool ApplyPosition(GameState& state, const char* line, std::string& word);

// SETSTATE shot end lastend side: ShotNum, CurEnd and LastEnd as given
// (ParseInteger; readers of ShotNum bound their own walks), NextSide 1 for a
// non-zero side, else 0. Stops at the first missing word as ApplyPosition.
bool ApplySetState(GameState& state, const char* line, std::string& word);

}  // namespace curling::protocol
