// A tournament's games into the results database as the books take them in
// (the local runner's and the MPI coordinator's alike): every game with a
// result, counted or not, each in one transaction before it is reported.
// Games read back on --resume are offered again and added only when missing
// (a run killed between a game's record and its row), so a resumed run never
// adds a game twice.
#pragma once

#include <filesystem>
#include <string>

#include "server/results/executable_hash.h"
#include "server/results/results_database.h"
#include "server/tournament/tournament_books.h"

namespace curling::results {

class TournamentResults : public server::BookedGameListener {
 public:
  // `plan` and `db` outlive it.
  TournamentResults(const server::TournamentPlan& plan, ResultsDatabase& db)
      : plan_(plan), db_(db) {}

  std::string OnBooked(const server::BookedGame& game) override;

 private:
  const server::TournamentPlan& plan_;
  ResultsDatabase& db_;
  ExecutableHasher hasher_;
};

// Stores the game of a single-game run from its record at `record`. Returns
// an empty string or what went wrong.
std::string StoreSingleGame(ResultsDatabase& db, const std::filesystem::path& record);

}  // namespace curling::results
