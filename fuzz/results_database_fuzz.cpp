// What the results database reads from outside: a database file given to
// `curling-match ratings` (first byte even) and a game record given to
// `db import` (first byte odd), over arbitrary bytes. Opening either refuses
// with a reason or succeeds; a database that opens is rated without a crash,
// with finite ratings, and its picture and JSON are written; a record that
// gives a row gives one that identifies its game.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "server/game/game_record.h"
#include "server/results/game_row.h"
#include "server/results/rated_pairs.h"
#include "server/results/ratings_report.h"
#include "server/results/results_database.h"

namespace {

using namespace curling::results;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "results_database_fuzz: %s\n", what);
  std::abort();
}

void RateDatabase(const std::string& bytes) {
  static const std::string path = "/tmp/results-database-fuzz-" + std::to_string(getpid());
  for (const char* suffix : {"", "-wal", "-shm"})
    std::remove((path + suffix).c_str());
  std::ofstream(path, std::ios::binary) << bytes;
  std::string error;
  std::unique_ptr<ResultsDatabase> db = ResultsDatabase::Open(path, OpenMode::kRead, error);
  if (!db) {
    if (error.empty()) Fail("refused without a reason");
    return;
  }
  RatingsReport report;
  try {
    report.rated = ReadRatedPairs(*db, "");
  } catch (const SqliteError&) {
    return;  // a damaged page read late: reported as such by the command
  }
  report.options.draws = 20;
  report.fit = FitRatings(static_cast<int>(report.rated.players.size()), report.rated.pairings,
                          report.options);
  for (int i : report.fit.order) {
    if (!std::isfinite(report.fit.players[static_cast<size_t>(i)].elo))
      Fail("a rating is not finite");
  }
  (void)FormatRatingsTable(report);
  (void)RatingsJson(report);
  if (RatingsSvg(report).find("<script") != std::string::npos)
    Fail("a name reached the picture raw");
}

void RowOfRecord(const std::string& bytes) {
  std::istringstream in(bytes);
  std::vector<nlohmann::json> lines;
  int skipped = 0;
  std::string error;
  if (!curling::server::ReadGameRecord(in, "fuzz", lines, skipped, error)) return;
  bool unfinished = false;
  const std::optional<GameRow> row = RowFromRecord(bytes, lines, error, unfinished);
  if (!row) {
    if (error.empty()) Fail("no row and no reason");
    return;
  }
  if (row->record_sha256.size() != 64 || (row->outcome != "completed" && row->outcome != "fault")) {
    Fail("a row that does not identify its game");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) {
    RateDatabase(bytes);
  } else {
    RowOfRecord(bytes);
  }
  return 0;
}
