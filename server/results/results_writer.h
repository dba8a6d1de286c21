// Writing games into the results database: a game is one transaction (its
// players and its run added when new, then the game), so a writer killed at
// any moment leaves every game before it whole and none half-written, and a
// game already there (the same record) is never added again.
#pragma once

#include <string>

#include "server/results/game_row.h"
#include "server/results/results_database.h"

namespace curling::results {

enum class Stored { kAdded, kPresent };

// Stores `row`. Returns an empty string, with `stored` saying whether it was
// new, or what went wrong (nothing is then stored).
std::string StoreGame(ResultsDatabase& db, const GameRow& row, Stored& stored);

}  // namespace curling::results
