// curling-match and its results database as a user meets them: games added
// as they finish (a tournament, a single game), a runner killed mid-way,
// db import, ratings against the tournament's own Elo, and the command
// lines that are usage errors.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "server/results/results_database.h"
#include "server/seat/child_process.h"
#include "server/text/shell_words.h"
#include "tests/server/match_program_fixture.h"

namespace {

namespace fs = std::filesystem;
using curling::results::OpenMode;
using curling::results::ResultsDatabase;
using curling::testing::ProgramRun;

class ResultsProgram : public curling::testing::MatchProgramFixture {
 protected:
  std::string Db() const { return (folder_ / "results.sqlite").string(); }

  // The number `sql` counts in the database, or -1 when it cannot be opened.
  int64_t Count(const std::string& sql, const std::string& db = "") {
    std::string error;
    auto results = ResultsDatabase::Open(db.empty() ? Db() : db, OpenMode::kRead, error);
    return results ? results->connection().QueryInt(sql) : -1;
  }

  static nlohmann::json ReadJson(const fs::path& path) {
    std::ifstream in(path);
    return nlohmann::json::parse(in);
  }

  // Engines of the fake kind, one end a game, into `out` and the test's
  // database (or as `db` says).
  std::string FakeTournament(const fs::path& out, const std::string& b_mode, int games,
                             std::string db = "") {
    if (db.empty()) db = "--db '" + Db() + "'";
    return "--engine 'name=A cmd=\"" FAKE_ENGINE_PATH
           " good\"' --engine 'name=B cmd=\"" FAKE_ENGINE_PATH " " +
           b_mode + "\"' --games " + std::to_string(games) + " --ends 1 --seed 3 --out '" +
           out.string() + "' " + db;
  }
};

// The runner killed outright (no chance to clean up) while games go on: the
// database opens, holds whole games only, each a game whose record ends in a
// result; --resume then fills it with every game exactly once.
TEST_F(ResultsProgram, ARunnerKilledMidTournamentLosesAtMostTheGameInFlight) {
  const fs::path out = folder_ / "killed";
  std::string error;
  const auto words = curling::server::SplitShellWords(
      std::string(MATCH_PATH) + " " + FakeTournament(out, "slow 15", 8), error);
  ASSERT_TRUE(words) << error;
  curling::server::ChildProcess match;
  ASSERT_TRUE(match.Start(*words, (folder_ / "killed.log").string(), error)) << error;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (Count("SELECT count(*) FROM games") < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  kill(match.pid(), SIGKILL);
  ASSERT_TRUE(match.Reap(true));

  const int64_t rows = Count("SELECT count(*) FROM games");
  ASSERT_GE(rows, 2);
  ASSERT_LT(rows, 8) << "finished before the kill";
  int finished = 0;
  for (const auto& entry : fs::directory_iterator(out)) {
    std::ifstream record(entry.path() / "game.jsonl");
    std::string line, last;
    while (std::getline(record, line))
      last = line;
    finished += last.find("\"type\":\"result\"") != std::string::npos ? 1 : 0;
  }
  // Every row is a finished game; a game whose record was written when the
  // runner died may not have its row yet.
  EXPECT_GE(finished, rows);
  EXPECT_LE(finished, rows + 1);
  EXPECT_EQ(Count("SELECT count(DISTINCT game_index) FROM games"), rows);

  const ProgramRun resumed = RunMatch("--resume '" + out.string() + "'");
  ASSERT_EQ(resumed.exit_code, 0) << resumed.out;
  EXPECT_NE(resumed.out.find("Results database: " + Db()), std::string::npos) << resumed.out;
  EXPECT_EQ(Count("SELECT count(*) FROM games"), 8);
  EXPECT_EQ(Count("SELECT count(DISTINCT game_index) FROM games"), 8);
  EXPECT_EQ(Count("SELECT count(*) FROM runs"), 1);
}

TEST_F(ResultsProgram, ImportTwiceAddsNothingAndEveryRunKindIsKept) {
  // A tournament and a single game without the database, then imported.
  const fs::path t = folder_ / "runs" / "t";
  ProgramRun run = RunMatch(FakeTournament(t, "good", 4, "--no-db"));
  ASSERT_EQ(run.exit_code, 0) << run.out;
  run = RunMatch("--engine '" FAKE_ENGINE_PATH " good' --engine '" FAKE_ENGINE_PATH
                 " good' --ends 1 --seed 9 --no-db --out '" +
                 (folder_ / "runs" / "one").string() + "'");
  ASSERT_EQ(run.exit_code, 0) << run.out;
  EXPECT_FALSE(fs::exists(Db()));

  run = RunMatch("db import '" + (folder_ / "runs").string() + "' --db '" + Db() + "'");
  ASSERT_EQ(run.exit_code, 0) << run.out;
  EXPECT_NE(run.out.find("5 games added, 0 already present"), std::string::npos) << run.out;
  run = RunMatch("db import '" + t.string() + "' '" + (folder_ / "runs" / "one").string() +
                 "' --db '" + Db() + "'");
  ASSERT_EQ(run.exit_code, 0) << run.out;
  EXPECT_NE(run.out.find("0 games added, 5 already present"), std::string::npos) << run.out;
  EXPECT_EQ(Count("SELECT count(*) FROM games"), 5);
  EXPECT_EQ(Count("SELECT count(*) FROM runs WHERE format = 'game'"), 1);

  // A single game played with the database adds its row as it ends.
  run = RunMatch("--engine '" FAKE_ENGINE_PATH " good' --engine '" FAKE_ENGINE_PATH
                 " good' --ends 1 --seed 10 --db '" +
                 Db() + "' --out '" + (folder_ / "two").string() + "'");
  ASSERT_EQ(run.exit_code, 0) << run.out;
  EXPECT_EQ(Count("SELECT count(*) FROM games"), 6);
}

// On a run of two engines the ratings' difference is the tournament's Elo.
TEST_F(ResultsProgram, RatingsAgreeWithTheTournamentOnTwoEngines) {
  const fs::path out = folder_ / "pair";
  const ProgramRun run =
      RunMatch("--engine 'name=greedy<b>&amp; cmd=" BASELINE_GREEDY_PATH
               "' --engine " BASELINE_DRAW_PATH " --games 12 --ends 1 --seed 4 --out '" +
               out.string() + "' --db '" + Db() + "'");
  ASSERT_EQ(run.exit_code, 0) << run.out;
  const nlohmann::json summary = ReadJson(out / "summary.json");
  const ProgramRun ratings =
      RunMatch("ratings --db '" + Db() + "' --anchor baseline-draw=0 --json '" +
               (folder_ / "r.json").string() + "' --svg '" + (folder_ / "r.svg").string() + "'");
  ASSERT_EQ(ratings.exit_code, 0) << ratings.out;
  const nlohmann::json r = ReadJson(folder_ / "r.json");
  ASSERT_EQ(r["players"].size(), 2u);
  EXPECT_EQ(r["pairs"], summary["pairs"]);
  for (const nlohmann::json& p : r["players"]) {
    if (p["name"] != "greedy<b>&amp;") continue;
    if (summary["elo"].is_null()) {
      EXPECT_TRUE(p["regularised"].get<bool>());
    } else {
      EXPECT_NEAR(p["elo"].get<double>(), summary["elo"].get<double>(), 1e-6);
    }
    EXPECT_EQ(p["games"], summary["games"]);
  }
  std::ifstream svg(folder_ / "r.svg");
  const std::string picture((std::istreambuf_iterator<char>(svg)), {});
  EXPECT_NE(picture.find("greedy&lt;b&gt;&amp;amp;"), std::string::npos);
  EXPECT_EQ(picture.find("<b>"), std::string::npos);

  // A database from elsewhere may hold names that are not UTF-8: the JSON
  // and the picture say so with U+FFFD instead of the command ending on an
  // exception or the picture holding bytes that are not text.
  {
    std::string error;
    auto db = ResultsDatabase::Open(Db(), OpenMode::kWrite, error);
    ASSERT_TRUE(db) << error;
    db->connection().Execute("UPDATE players SET name = CAST(x'41ff42' AS TEXT)");
  }
  const ProgramRun bytes =
      RunMatch("ratings --db '" + Db() + "' --json '" + (folder_ / "b.json").string() +
               "' --svg '" + (folder_ / "b.svg").string() + "'");
  ASSERT_EQ(bytes.exit_code, 0) << bytes.out;
  EXPECT_EQ(ReadJson(folder_ / "b.json")["players"][0]["name"], "A\uFFFDB");
  std::ifstream bytes_svg(folder_ / "b.svg");
  const std::string bytes_picture((std::istreambuf_iterator<char>(bytes_svg)), {});
  EXPECT_NE(bytes_picture.find("A\uFFFDB"), std::string::npos);
  EXPECT_EQ(bytes_picture.find('\xff'), std::string::npos);
}

TEST_F(ResultsProgram, BadCommandLinesAndBadDatabasesExitTwo) {
  for (const std::string arguments :
       {"db", "db import", "db export x", "ratings --since yesterday", "ratings --anchor x",
        "ratings --anchor x=inf", "ratings --draws -1", "--games 2 ratings", "ratings --games 2",
        "--no-db --db x.sqlite --games 2"}) {
    const ProgramRun run = RunMatch(arguments + " --db '" + Db() + "'");  // --db: not an error
    EXPECT_EQ(run.exit_code, 2) << arguments << "\n" << run.out;
  }
  EXPECT_FALSE(fs::exists(Db()));
  ProgramRun run = RunMatch("ratings --db '" + Db() + "'");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.out.find("no results database there"), std::string::npos) << run.out;

  // A file that is not a results database stops a tournament before it
  // starts, and stays as it was.
  std::ofstream(Db()) << "my notes\n";
  run = RunMatch(FakeTournament(folder_ / "t", "good", 2));
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.out.find("not a results database"), std::string::npos) << run.out;
  EXPECT_FALSE(fs::exists(folder_ / "t"));
  std::ifstream in(Db());
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "my notes\n");
  run = RunMatch("db import '" + folder_.string() + "' --db '" + Db() + "'");
  EXPECT_EQ(run.exit_code, 2);
}

}  // namespace
