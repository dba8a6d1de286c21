// The results database: one SQLite file that keeps every game ever played,
// whichever run played it (docs/results-db.md has the schema). Opening it
// checks that it is one: a symbolic link, a folder or other non-file at its
// path, a file that is not SQLite or is damaged, another program's database
// and one from a newer schema are refused with a message, never touched. An
// older schema is brought up to date by the migrations below, each step in
// one transaction. Writers use WAL mode and a full sync per transaction, so
// readers never wait for them and a killed writer loses at most the
// transaction it was in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "server/results/sqlite_connection.h"

namespace curling::results {

inline constexpr int kResultsSchemaVersion = 1;
// PRAGMA application_id of a results database ("Crlg").
inline constexpr int32_t kResultsApplicationId = 0x43726c67;

// One step of the schema: from version to_version - 1 to to_version.
struct Migration {
  int to_version = 0;
  std::string sql;
};

// Every step from an empty file to kResultsSchemaVersion, in order.
const std::vector<Migration>& ResultsMigrations();

enum class OpenMode {
  kWrite,  // created when missing (its folder too), WAL mode
  kRead,   // must exist
};

class ResultsDatabase {
 public:
  // Opens and checks `path`, bringing its schema up to `migrations`' last
  // version. Nothing, with `error` saying why, when it cannot be used.
  static std::unique_ptr<ResultsDatabase> Open(
      const std::string& path, OpenMode mode, std::string& error,
      const std::vector<Migration>& migrations = ResultsMigrations());

  Connection& connection() { return db_; }
  const std::string& path() const { return path_; }

 private:
  ResultsDatabase(const std::string& path, int flags) : path_(path), db_(path, flags) {}

  std::string path_;
  Connection db_;
};

// Where curling-match keeps it unless --db says otherwise.
inline constexpr const char* kDefaultResultsDatabase = "games/results.sqlite";

}  // namespace curling::results
