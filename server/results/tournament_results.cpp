#include "server/results/tournament_results.h"

#include "server/results/record_rows.h"
#include "server/results/results_writer.h"

namespace curling::results {

std::string TournamentResults::OnBooked(const server::BookedGame& game) {
  if (game.finished.result.outcome == server::GameOutcome::kInterrupted) return {};
  const auto record = server::GameFolder(plan_.folder, game.scheduled.index) / "game.jsonl";
  std::string error;
  bool unfinished = false;
  std::optional<GameRow> row = ReadRecordRow(record, error, unfinished);
  if (!row) return "results database: " + error;
  PlaceInTournament(*row, plan_, game.scheduled, game.counted);
  IdentifyBuilds(*row, hasher_);
  Stored stored = Stored::kPresent;
  return StoreGame(db_, *row, stored);
}

std::string StoreSingleGame(ResultsDatabase& db, const std::filesystem::path& record) {
  std::string error;
  bool unfinished = false;
  std::optional<GameRow> row = ReadRecordRow(record, error, unfinished);
  if (!row) return unfinished ? std::string() : "results database: " + error;
  ExecutableHasher hasher;
  IdentifyBuilds(*row, hasher);
  Stored stored = Stored::kPresent;
  return StoreGame(db, *row, stored);
}

}  // namespace curling::results
