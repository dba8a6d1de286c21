// What the game state does not hold and a server may tell an engine: the
// game's score and the thinking time left (SCORE and TIME).
#pragma once

#include <optional>
#include <string>

namespace curling::protocol {

// Starts at 0-0 with no known budget; NEWGAME sets it back so.
struct GameContext {
  int own_points = 0;
  int opponent_points = 0;
  // Seconds of this engine's budget left in the game: finite and 0 or more
  // when known.
  std::optional<double> own_time_left;
};

// SCORE own opponent: both points (ParseInteger) of the zero-terminated
// `line`, or nothing when either word is missing (returns false). `word` is
// scratch space.
bool ApplyScore(GameContext& context, const char* line, std::string& word);

// TIME own opponent: the engine's own seconds left (ParseCoordinate), a
// negative number read as 0 (spent). A word that is not a finite number
// ("inf", "nan", "x", or beyond float range such as 1e39) is no budget to
// plan from and forgets the one known. Nothing changes when the word is
// missing (returns false). The opponent's time is not kept.
bool ApplyTime(GameContext& context, const char* line, std::string& word);

}  // namespace curling::protocol
