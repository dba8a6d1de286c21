#include "server/results/results_database.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cassert>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

namespace curling::results {

namespace {

namespace fs = std::filesystem;

// How long a writer waits for another writer's transaction (two runs writing
// one database at once) before it gives up.
constexpr int kBusyTimeoutMs = 60000;

const char* kSchemaVersion1 = R"sql(
CREATE TABLE players (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  command TEXT NOT NULL,
  settings TEXT NOT NULL,
  executable_sha256 TEXT NOT NULL,
  first_game TEXT NOT NULL,
  UNIQUE (name, command, settings, executable_sha256)
);
CREATE TABLE runs (
  id INTEGER PRIMARY KEY,
  folder TEXT NOT NULL,
  format TEXT NOT NULL,
  plan TEXT NOT NULL,
  UNIQUE (folder, plan)
);
CREATE TABLE games (
  id INTEGER PRIMARY KEY,
  record_sha256 TEXT NOT NULL UNIQUE,
  run_id INTEGER NOT NULL REFERENCES runs (id),
  game_index INTEGER NOT NULL,
  pairing INTEGER NOT NULL,
  round INTEGER NOT NULL,
  pair_game INTEGER NOT NULL CHECK (pair_game IN (0, 1)),
  started TEXT NOT NULL,
  seat0 INTEGER NOT NULL REFERENCES players (id),
  seat1 INTEGER NOT NULL REFERENCES players (id),
  seed TEXT NOT NULL,
  stream INTEGER NOT NULL,
  scenario TEXT,
  start TEXT,
  rules TEXT NOT NULL,
  outcome TEXT NOT NULL CHECK (outcome IN ('completed', 'fault')),
  winner INTEGER CHECK (winner IN (0, 1)),
  total0 INTEGER NOT NULL,
  total1 INTEGER NOT NULL,
  ends_played INTEGER NOT NULL,
  ends TEXT NOT NULL,
  fault_seat INTEGER,
  fault_kind TEXT,
  reason TEXT NOT NULL,
  thinking0 REAL NOT NULL,
  thinking1 REAL NOT NULL,
  counted INTEGER NOT NULL CHECK (counted IN (0, 1)),
  record_path TEXT NOT NULL,
  added TEXT NOT NULL
);
CREATE INDEX games_by_pair ON games (run_id, pairing, round);
CREATE INDEX games_by_start_time ON games (started);
)sql";

// A link or a non-file where the database or its WAL files would be.
std::string CheckPath(const std::string& path, bool& exists) {
  struct stat st {};
  exists = false;
  for (const char* suffix : {"", "-wal", "-shm"}) {
    const std::string p = path + suffix;
    if (lstat(p.c_str(), &st) != 0) {
      if (errno == ENOENT) continue;
      return fmt::format("{}: {}", p, std::strerror(errno));
    }
    if (S_ISLNK(st.st_mode)) return p + ": is a symbolic link (refused: it is never followed)";
    if (!S_ISREG(st.st_mode)) return p + ": is not a regular file";
    if (*suffix == '\0') exists = true;
  }
  return {};
}

int64_t UserTables(Connection& db) {
  return db.QueryInt("SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite_%'");
}

// A file with nothing in it yet: a writer is about to give it the schema.
bool IsNew(Connection& db) {
  return db.QueryInt("PRAGMA application_id") == 0 && db.QueryInt("PRAGMA user_version") == 0 &&
         UserTables(db) == 0;
}

// What the file holds is a results database this program can read, or the
// reason it is not.
std::string CheckIdentity(Connection& db, int newest) {
  const int64_t id = db.QueryInt("PRAGMA application_id");
  const int64_t version = db.QueryInt("PRAGMA user_version");
  if (IsNew(db)) return {};  // new: the migrations fill it
  if (id != kResultsApplicationId) {
    return "not a results database (another program's SQLite file; it is left as it is)";
  }
  if (version > newest) {
    return fmt::format(
        "made by a newer curling-match (schema version {}; this one knows up to {}): open it "
        "with that one; it is left as it is",
        version, newest);
  }
  // Views and triggers are none of ours: a file carrying them could run
  // anything (an endless recursive view, a trigger on insert) as we read or
  // write it.
  if (db.QueryInt("SELECT count(*) FROM sqlite_master WHERE type IN ('view', 'trigger')") != 0 ||
      db.QueryInt("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                  "('players', 'runs', 'games')") != 3) {
    return "not a results database as this program writes them (its tables were changed); it "
           "is left as it is";
  }
  const std::string check = [&] {
    Statement s(db.handle(), "PRAGMA quick_check");
    return s.Step() ? s.Text(0) : std::string("no answer");
  }();
  if (check != "ok") return "damaged (" + check + "); it is left as it is";
  return {};
}

// Brings the schema up to the last step's version, each step in a
// transaction of its own that re-reads the version (another writer may have
// migrated meanwhile).
void Migrate(Connection& db, const std::vector<Migration>& migrations) {
  for (const Migration& step : migrations) {
    Transaction transaction(db);
    const int64_t version = db.QueryInt("PRAGMA user_version");
    if (version >= step.to_version) continue;
    assert(version == step.to_version - 1);
    db.Execute(step.sql);
    db.Execute(fmt::format("PRAGMA application_id = {}; PRAGMA user_version = {}",
                           kResultsApplicationId, step.to_version));
    transaction.Commit();
  }
}

}  // namespace

const std::vector<Migration>& ResultsMigrations() {
  static const std::vector<Migration> migrations = {{1, kSchemaVersion1}};
  assert(migrations.back().to_version == kResultsSchemaVersion);
  return migrations;
}

std::unique_ptr<ResultsDatabase> ResultsDatabase::Open(const std::string& path, OpenMode mode,
                                                       std::string& error,
                                                       const std::vector<Migration>& migrations) {
  assert(!migrations.empty());
  bool exists = false;
  error = CheckPath(path, exists);
  if (!error.empty()) return nullptr;
  if (!exists && mode == OpenMode::kRead) {
    error = path +
            ": no results database there (curling-match writes one as it plays; "
            "curling-match db import adds existing output folders)";
    return nullptr;
  }
  if (!exists) {
    std::error_code ec;
    const fs::path folder = fs::path(path).parent_path();
    if (!folder.empty()) fs::create_directories(folder, ec);
    if (ec) {
      error = fmt::format("cannot create {}: {}", folder.string(), ec.message());
      return nullptr;
    }
  }
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW;
  if (mode == OpenMode::kWrite) flags |= SQLITE_OPEN_CREATE;
  try {
    std::unique_ptr<ResultsDatabase> results(new ResultsDatabase(path, flags));
    Connection& db = results->db_;
    sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
    // No writes to the schema's own tables, no functions of ours run from it.
    sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    error = CheckIdentity(db, migrations.back().to_version);
    if (!error.empty()) {
      error = path + ": " + error;
      return nullptr;
    }
    // A reader never writes: an empty file is one a writer has just created
    // and is giving its schema, and two connections filling it at once could
    // each see the other's half-made file.
    if (mode == OpenMode::kRead && IsNew(db)) {
      error = path + ": no results database there yet (the file is empty: a run is creating it)";
      return nullptr;
    }
    if (mode == OpenMode::kWrite) db.Execute("PRAGMA journal_mode = WAL");
    db.Execute("PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON");
    Migrate(db, migrations);
    return results;
  } catch (const SqliteError& e) {
    error = e.code() == SQLITE_NOTADB || e.code() == SQLITE_CORRUPT
                ? fmt::format(
                      "{}: not a results database (not SQLite, or damaged: {}); it is "
                      "left as it is",
                      path, e.what())
                : fmt::format("{}: {}", path, e.what());
    return nullptr;
  }
}

}  // namespace curling::results
