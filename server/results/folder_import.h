// Importing output folders that curling-match and curling-match-mpi left
// (curling-match db import): a tournament's folder (tournament.json and its
// game-NNNN/ folders), a single game's (game.jsonl), or a folder of such
// folders (games/). Idempotent: a game already in the database (the same
// record) is not added again, whoever added it.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "server/results/results_database.h"

namespace curling::results {

struct ImportCounts {
  int added = 0;
  int present = 0;     // already in the database
  int unfinished = 0;  // records without a result (interrupted, cut short)
  int refused = 0;     // records that could not be read (each named on the log)
};

// Imports the games of `folder` into `db`, one transaction a game, naming
// every record refused on `log`. Returns an empty string, or why the folder
// (or the database) could not be imported; games added before stay added.
std::string ImportFolder(ResultsDatabase& db, const std::filesystem::path& folder,
                         ImportCounts& counts, std::ostream& log);

}  // namespace curling::results
