// Opening the results database: a new file gets the schema, and whatever is
// not a results database this program can use is refused and left as it was.
#include "server/results/results_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/temp_folder.h"

namespace curling::results {
namespace {

namespace fs = std::filesystem;

class ResultsDatabaseTest : public curling::testing::TempFolderTest {
 protected:
  std::string Path() const { return (folder_ / "results.sqlite").string(); }

  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // Runs `sql` on `path` with SQLite alone, as another program would.
  static void Sqlite(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
  }

  // Opening `path` fails with a message containing `why`, and the file is
  // byte for byte what it was.
  void ExpectRefused(const std::string& path, const std::string& why,
                     OpenMode mode = OpenMode::kWrite) {
    const std::string before = Bytes(path);
    std::string error;
    EXPECT_EQ(ResultsDatabase::Open(path, mode, error), nullptr);
    EXPECT_NE(error.find(why), std::string::npos) << error;
    EXPECT_EQ(Bytes(path), before);
  }
};

TEST_F(ResultsDatabaseTest, ANewFileGetsTheSchemaInWalMode) {
  std::string error;
  const std::string path = (folder_ / "new" / "folder" / "results.sqlite").string();
  {
    auto db = ResultsDatabase::Open(path, OpenMode::kWrite, error);
    ASSERT_NE(db, nullptr) << error;
    Connection& c = db->connection();
    EXPECT_EQ(c.QueryInt("PRAGMA user_version"), kResultsSchemaVersion);
    EXPECT_EQ(c.QueryInt("PRAGMA application_id"), kResultsApplicationId);
    EXPECT_EQ(c.QueryInt("SELECT count(*) FROM games"), 0);
    Statement mode(c.handle(), "PRAGMA journal_mode");
    ASSERT_TRUE(mode.Step());
    EXPECT_EQ(mode.Text(0), "wal");
  }
  // Opened again, by a reader too, it is the same database.
  auto reader = ResultsDatabase::Open(path, OpenMode::kRead, error);
  ASSERT_NE(reader, nullptr) << error;
  EXPECT_EQ(reader->connection().QueryInt("PRAGMA user_version"), kResultsSchemaVersion);
}

// A reader that comes upon the empty file a starting run has just created
// leaves it to the run: it used to give the file the schema itself, racing
// the run's own first write.
TEST_F(ResultsDatabaseTest, AReaderLeavesAFileBeingCreatedAlone) {
  std::ofstream(Path()).close();
  ExpectRefused(Path(), "no results database there yet", OpenMode::kRead);
  std::string error;
  EXPECT_NE(ResultsDatabase::Open(Path(), OpenMode::kWrite, error), nullptr) << error;
}

TEST_F(ResultsDatabaseTest, WhatIsNotAResultsDatabaseIsRefusedAndLeftAlone) {
  // Not SQLite at all.
  {
    std::ofstream(Path(), std::ios::binary) << std::string(5000, 'x');
    ExpectRefused(Path(), "not a results database (not SQLite, or damaged");
    fs::remove(Path());
  }
  // Another program's SQLite file.
  Sqlite(Path(), "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('keep me')");
  ExpectRefused(Path(), "another program's SQLite file");
  fs::remove(Path());
  // A results database from a newer schema.
  {
    std::string error;
    ASSERT_NE(ResultsDatabase::Open(Path(), OpenMode::kWrite, error), nullptr) << error;
  }
  Sqlite(Path(), "PRAGMA journal_mode = DELETE; PRAGMA user_version = 99");
  ExpectRefused(Path(), "made by a newer curling-match (schema version 99");
  ExpectRefused(Path(), "schema version 99", OpenMode::kRead);
  // Ours in name, with a table turned into an endless view.
  Sqlite(Path(),
         "PRAGMA user_version = 1; DROP TABLE games; CREATE VIEW games AS WITH RECURSIVE "
         "n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i AS id FROM n");
  ExpectRefused(Path(), "its tables were changed", OpenMode::kRead);
}

TEST_F(ResultsDatabaseTest, ADamagedFileIsRefused) {
  {
    std::string error;
    auto db = ResultsDatabase::Open(Path(), OpenMode::kWrite, error);
    ASSERT_NE(db, nullptr) << error;
    db->connection().Execute("PRAGMA journal_mode = DELETE");
    for (int i = 0; i < 200; ++i)
      db->connection().Execute("INSERT INTO runs (folder, format, plan) VALUES ('" +
                               std::to_string(i) + std::string(300, 'r') + "', 'game', 'null')");
  }
  // Pages past the first overwritten: the header still says SQLite.
  std::string bytes = Bytes(Path());
  ASSERT_GT(bytes.size(), 20000u);
  for (size_t i = 5000; i < bytes.size(); i += 7)
    bytes[i] = static_cast<char>(i * 31);
  std::ofstream(Path(), std::ios::binary | std::ios::trunc) << bytes;
  ExpectRefused(Path(), "it is left as it is");
}

TEST_F(ResultsDatabaseTest, LinksFoldersAndMissingFilesAreRefused) {
  const std::string target = (folder_ / "elsewhere.sqlite").string();
  std::ofstream(target) << "";
  fs::create_symlink(target, Path());
  ExpectRefused(Path(), "is a symbolic link");
  fs::remove(Path());

  fs::create_directory(Path());
  std::string error;
  EXPECT_EQ(ResultsDatabase::Open(Path(), OpenMode::kWrite, error), nullptr);
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  fs::remove(Path());

  EXPECT_EQ(ResultsDatabase::Open(Path(), OpenMode::kRead, error), nullptr);
  EXPECT_NE(error.find("no results database there"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(Path()));
}

// A later schema is reached by steps, each whole or not at all.
TEST_F(ResultsDatabaseTest, MigrationsRunInOrderAndAFailedStepChangesNothing) {
  std::string error;
  ASSERT_NE(ResultsDatabase::Open(Path(), OpenMode::kWrite, error), nullptr) << error;
  std::vector<Migration> steps = ResultsMigrations();
  steps.push_back({2, "ALTER TABLE games ADD COLUMN note TEXT; CREATE TABLE games (x)"});
  EXPECT_EQ(ResultsDatabase::Open(Path(), OpenMode::kWrite, error, steps), nullptr);
  EXPECT_NE(error.find("table games already exists"), std::string::npos) << error;
  {
    auto db = ResultsDatabase::Open(Path(), OpenMode::kWrite, error);
    ASSERT_NE(db, nullptr) << error;
    EXPECT_EQ(db->connection().QueryInt("PRAGMA user_version"), 1);
    EXPECT_EQ(db->connection().QueryInt("SELECT count(*) FROM pragma_table_info('games') "
                                        "WHERE name = 'note'"),
              0);
  }
  steps.back().sql = "ALTER TABLE games ADD COLUMN note TEXT";
  auto db = ResultsDatabase::Open(Path(), OpenMode::kWrite, error, steps);
  ASSERT_NE(db, nullptr) << error;
  EXPECT_EQ(db->connection().QueryInt("PRAGMA user_version"), 2);
  EXPECT_EQ(db->connection().QueryInt(
                "SELECT count(*) FROM pragma_table_info('games') WHERE name = 'note'"),
            1);
}

}  // namespace
}  // namespace curling::results
