#include "server/results/folder_import.h"

#include <algorithm>
#include <vector>

#include "server/results/record_rows.h"
#include "server/results/results_writer.h"
#include "server/tournament/tournament_ledger.h"
#include "server/tournament/tournament_resume.h"

namespace curling::results {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRecordFile = "game.jsonl";

bool IsFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(path, ec));
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// Stores one row; the database failing is the only error that stops an import.
std::string Store(ResultsDatabase& db, const GameRow& row, ImportCounts& counts) {
  Stored stored = Stored::kPresent;
  if (std::string error = StoreGame(db, row, stored); !error.empty()) return error;
  ++(stored == Stored::kAdded ? counts.added : counts.present);
  return {};
}

// The row of a record, or nothing with the record counted as unfinished or
// refused (and named on `log`).
std::optional<GameRow> ReadRow(const fs::path& record, ImportCounts& counts, std::ostream& log) {
  std::string error;
  bool unfinished = false;
  std::optional<GameRow> row = ReadRecordRow(record, error, unfinished);
  if (row) return row;
  if (unfinished) {
    ++counts.unfinished;
  } else {
    ++counts.refused;
    log << error << '\n';
  }
  return std::nullopt;
}

// Games are counted as --resume counts them: booked in the order of the
// schedule (a run with games at once may have booked them in another order,
// which matters only for games that finished after its test decided).
std::string ImportTournament(ResultsDatabase& db, const fs::path& folder, ImportCounts& counts,
                             std::ostream& log) {
  std::string error;
  const std::optional<server::TournamentManifest> manifest = server::ReadManifest(folder, error);
  if (!manifest) return error;
  std::optional<server::TournamentPlan> plan = server::PlanFromJson(manifest->plan, error);
  if (!plan) return (folder / server::kManifestFile).string() + ": " + error;
  plan->folder = folder;
  server::TournamentLedger ledger(*plan);
  ExecutableHasher hasher;
  for (int i = 0; i < ledger.schedule().total_games(); ++i) {
    const fs::path game_folder = server::GameFolder(folder, i);
    if (!Exists(game_folder / kRecordFile)) continue;
    std::optional<GameRow> row = ReadRow(game_folder / kRecordFile, counts, log);
    if (!row) continue;
    // What --resume would book: a record it refuses is refused here too.
    std::string why;
    const std::optional<server::FinishedGame> finished = server::ReadFinishedGame(*plan, i, why);
    if (!finished) {
      ++counts.refused;
      log << (why.empty() ? (game_folder / kRecordFile).string() + ": not a game of this tournament"
                          : why)
          << '\n';
      continue;
    }
    const bool counted = ledger.Record(*finished) == server::TournamentLedger::Counted::kYes;
    PlaceInTournament(*row, *plan, ledger.schedule().Game(i), counted);
    IdentifyBuilds(*row, hasher);
    if (error = Store(db, *row, counts); !error.empty()) return error;
  }
  return {};
}

std::string ImportSingleGame(ResultsDatabase& db, const fs::path& folder, ImportCounts& counts,
                             std::ostream& log) {
  std::optional<GameRow> row = ReadRow(folder / kRecordFile, counts, log);
  if (!row) return {};
  ExecutableHasher hasher;
  IdentifyBuilds(*row, hasher);
  return Store(db, *row, counts);
}

bool IsOutputFolder(const fs::path& folder) {
  return Exists(folder / server::kManifestFile) || Exists(folder / kRecordFile);
}

std::string ImportOutputFolder(ResultsDatabase& db, const fs::path& folder, ImportCounts& counts,
                               std::ostream& log) {
  if (Exists(folder / server::kManifestFile)) return ImportTournament(db, folder, counts, log);
  return ImportSingleGame(db, folder, counts, log);
}

}  // namespace

std::string ImportFolder(ResultsDatabase& db, const fs::path& folder, ImportCounts& counts,
                         std::ostream& log) {
  if (!IsFolder(folder)) return folder.string() + ": not a folder";
  if (IsOutputFolder(folder)) return ImportOutputFolder(db, folder, counts, log);
  // A folder of output folders: those directly inside it, in name order
  // (links are not followed).
  std::vector<fs::path> inside;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (IsFolder(entry.path()) && IsOutputFolder(entry.path())) inside.push_back(entry.path());
  }
  if (ec) return folder.string() + ": " + ec.message();
  if (inside.empty()) {
    return folder.string() + ": no tournament.json or game.jsonl in it or in the folders in it";
  }
  std::sort(inside.begin(), inside.end());
  for (const fs::path& output : inside) {
    if (std::string error = ImportOutputFolder(db, output, counts, log); !error.empty()) {
      return error;
    }
  }
  return {};
}

}  // namespace curling::results
