// What the ratings are fitted on, read from the results database: the
// players and, for every two players, their game pairs. A pair is the two
// games of one round of one pairing of a run, both counted by their run, with
// the same two players in swapped seats; a round with more games than that
// (a run's folder reused by an identical run) is left out, and so are single
// games and unpaired ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/results/rating_fit.h"
#include "server/results/results_database.h"

namespace curling::results {

struct PlayerRecord {
  int64_t id = 0;
  std::string name;
  std::string command;   // JSON text
  std::string settings;  // JSON text
  std::string executable_sha256;
  std::string first_game;  // UTC time of its first game
  std::string label;       // the name, or with its build or id where names repeat
};

struct RatedPairs {
  std::vector<PlayerRecord> players;  // every player of the database
  std::vector<PairingCounts> pairings;
  int64_t pairs = 0;
  int64_t games = 0;  // games of the database since the time given
  int64_t runs = 0;   // runs with a pair counted
};

// The pairs of games started at or after `since` (a UTC time as the records
// write it; empty: all). Throws SqliteError.
RatedPairs ReadRatedPairs(ResultsDatabase& db, const std::string& since);

}  // namespace curling::results
