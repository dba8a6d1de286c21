// Tournaments of fake engines on the stand-in physics written into the
// results database as they run: every booked game once, as its record says,
// again after an import or a resume; readers alongside the writer; and two
// builds under one name kept apart.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "server/results/folder_import.h"
#include "server/results/rated_pairs.h"
#include "server/results/tournament_results.h"
#include "server/tournament/tournament.h"
#include "server/tournament/tournament_resume.h"
#include "tests/server/fake_physics.h"
#include "tests/support/temp_folder.h"

namespace curling::results {
namespace {

namespace fs = std::filesystem;

class ResultsTournamentTest : public curling::testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    std::string error;
    db_ = ResultsDatabase::Open((folder_ / "results.sqlite").string(), OpenMode::kWrite, error);
    ASSERT_NE(db_, nullptr) << error;
  }

  server::TournamentPlan Plan(const std::string& name, int games, int concurrency = 1) {
    server::TournamentPlan plan;
    plan.engines = {{"A", {FAKE_ENGINE_PATH, "good"}, ""},
                    {"B", {FAKE_ENGINE_PATH, "slow", "1"}, ""},
                    {"C", {FAKE_ENGINE_PATH, "good"}, "", "", 50.0}};
    plan.rules.ends = 1;
    plan.rules.extra_ends = 1;
    plan.rules.ready_timeout = 5;
    plan.seed = 11;
    plan.games = games;
    plan.concurrency = concurrency;
    plan.folder = folder_ / name;
    fs::create_directories(plan.folder);
    EXPECT_EQ(server::WriteManifest(plan.folder, {server::PlanJson(plan), {}}), "");
    return plan;
  }

  server::TournamentOutcome Run(const server::TournamentPlan& plan,
                                const std::vector<server::FinishedGame>& finished = {}) {
    TournamentResults keeper(plan, *db_);
    std::ostringstream out;
    return server::RunTournament(plan, server::testing::FakePlayShot, out, finished, &keeper);
  }

  int64_t Count(const std::string& sql) { return db_->connection().QueryInt(sql); }

  std::unique_ptr<ResultsDatabase> db_;
};

TEST_F(ResultsTournamentTest, EveryGameIsARowAsItsRecordSays) {
  const server::TournamentPlan plan = Plan("rr", 4);
  const server::TournamentOutcome outcome = Run(plan);
  ASSERT_EQ(outcome.error, "");
  ASSERT_EQ(Count("SELECT count(*) FROM games"), 12);
  EXPECT_EQ(Count("SELECT count(*) FROM players"), 3);
  EXPECT_EQ(Count("SELECT count(*) FROM runs"), 1);
  EXPECT_EQ(Count("SELECT count(*) FROM games WHERE counted = 1"), 12);

  const server::TournamentSchedule schedule(plan);
  Statement rows(db_->connection().handle(),
                 "SELECT g.game_index, g.pairing, g.round, g.pair_game, p0.name, p1.name, "
                 "g.seed, g.winner, g.total0, g.total1, g.ends, g.record_path, g.outcome, "
                 "p0.executable_sha256, p1.settings FROM games g JOIN players p0 ON p0.id = "
                 "g.seat0 JOIN players p1 ON p1.id = g.seat1 ORDER BY g.game_index");
  int index = 0;
  while (rows.Step()) {
    const server::ScheduledGame game = schedule.Game(index);
    EXPECT_EQ(rows.Int(0), index);
    EXPECT_EQ(rows.Int(1), game.pairing);
    EXPECT_EQ(rows.Int(2), game.round);
    EXPECT_EQ(rows.Int(3), game.game_in_pairing % 2);
    EXPECT_EQ(rows.Text(4), plan.engines[static_cast<size_t>(game.seats[0])].name);
    EXPECT_EQ(rows.Text(5), plan.engines[static_cast<size_t>(game.seats[1])].name);
    EXPECT_EQ(rows.Text(6), std::to_string(game.seed));
    EXPECT_EQ(rows.Text(12), "completed");
    EXPECT_EQ(rows.Text(13).size(), 64u);  // the fake engine's build is known
    if (rows.Text(5) == "C") {
      EXPECT_EQ(rows.Text(14), "{\"time_budget\":50.0}");
    }
    // The row's result is the record's result line, and its ends add up to it.
    std::ifstream record(rows.Text(11));
    std::string line, last;
    while (std::getline(record, line))
      last = line;
    const nlohmann::json result = nlohmann::json::parse(last);
    EXPECT_EQ(result["total"][0].get<int>(), rows.Int(8));
    EXPECT_EQ(result["total"][1].get<int>(), rows.Int(9));
    EXPECT_EQ(result["winner"].is_null(), rows.IsNull(7));
    const nlohmann::json ends = nlohmann::json::parse(rows.Text(10));
    int total0 = 0;
    for (const auto& end : ends)
      total0 += end[0].get<int>();
    EXPECT_EQ(total0, rows.Int(8));
    ++index;
  }
  EXPECT_EQ(index, 12);
}

TEST_F(ResultsTournamentTest, ImportAndResumeNeverAddAGameTwice) {
  const server::TournamentPlan plan = Plan("rr", 2);
  ASSERT_EQ(Run(plan).error, "");
  ASSERT_EQ(Count("SELECT count(*) FROM games"), 6);

  std::ostringstream log;
  for (int time = 0; time < 2; ++time) {
    ImportCounts counts;
    EXPECT_EQ(ImportFolder(*db_, folder_, counts, log), "");  // the folder of output folders
    EXPECT_EQ(counts.added, 0);
    EXPECT_EQ(counts.present, 6);
  }
  EXPECT_EQ(Count("SELECT count(*) FROM games"), 6);
  EXPECT_EQ(Count("SELECT count(*) FROM players"), 3);

  // A run killed after a record but before its row: the resumed run adds
  // what is missing and nothing else.
  db_->connection().Execute("DELETE FROM games WHERE game_index IN (1, 4)");
  const std::vector<server::FinishedGame> finished = server::ReadFinishedGames(plan, 6).finished;
  ASSERT_EQ(finished.size(), 6u);
  ASSERT_EQ(Run(plan, finished).error, "");
  EXPECT_EQ(Count("SELECT count(*) FROM games"), 6);
  EXPECT_EQ(Count("SELECT count(DISTINCT game_index) FROM games"), 6);

  // A fresh database fills from the folder alone, counted flags and all.
  std::string error;
  auto fresh = ResultsDatabase::Open((folder_ / "fresh.sqlite").string(), OpenMode::kWrite, error);
  ASSERT_NE(fresh, nullptr) << error;
  ImportCounts counts;
  EXPECT_EQ(ImportFolder(*fresh, plan.folder, counts, log), "");
  EXPECT_EQ(counts.added, 6);
  EXPECT_EQ(fresh->connection().QueryInt("SELECT count(*) FROM games WHERE counted = 1"), 6);
  EXPECT_EQ(ReadRatedPairs(*fresh, "").pairs, 3);
  EXPECT_EQ(log.str(), "");
}

TEST_F(ResultsTournamentTest, ImportRefusesBrokenRecordsAndSkipsUnfinishedOnes) {
  const server::TournamentPlan plan = Plan("rr", 2);
  ASSERT_EQ(Run(plan).error, "");
  std::string error;
  auto fresh = ResultsDatabase::Open((folder_ / "fresh.sqlite").string(), OpenMode::kWrite, error);
  ASSERT_NE(fresh, nullptr) << error;
  // Game 2 cut short (its result line gone), game 3 not a record, game 4 a
  // link to a record elsewhere.
  const auto record = [&](int game) {
    return server::GameFolder(plan.folder, game) / "game.jsonl";
  };
  {
    std::ifstream in(record(1));
    std::string text((std::istreambuf_iterator<char>(in)), {});
    text.erase(text.rfind("{\"", text.size() - 2));
    std::ofstream(record(1), std::ios::trunc) << text;
  }
  std::ofstream(record(2), std::ios::trunc) << "not a record\n";
  fs::copy_file(record(3), folder_ / "copy.jsonl");
  fs::remove(record(3));
  fs::create_symlink(folder_ / "copy.jsonl", record(3));

  ImportCounts counts;
  std::ostringstream log;
  EXPECT_EQ(ImportFolder(*fresh, plan.folder, counts, log), "");
  EXPECT_EQ(counts.added, 3);
  EXPECT_EQ(counts.unfinished, 1);
  EXPECT_EQ(counts.refused, 2);
  EXPECT_NE(log.str().find("game-0004/game.jsonl: is a symbolic link"), std::string::npos)
      << log.str();
  EXPECT_NE(log.str().find("game-0003/game.jsonl"), std::string::npos) << log.str();

  EXPECT_NE(ImportFolder(*fresh, folder_ / "copy.jsonl", counts, log), "");
  EXPECT_EQ(ImportFolder(*fresh, folder_ / "nothing here", counts, log),
            (folder_ / "nothing here").string() + ": not a folder");
}

// The database cannot grow (a full disk, here a cap on its pages): the
// tournament stops with the error, and the database keeps exactly the games
// committed before it, each whole; resuming adds the rest.
TEST_F(ResultsTournamentTest, AFullDatabaseStopsTheRunAndLosesOnlyTheGameInFlight) {
  const server::TournamentPlan plan = Plan("rr", 8);
  const int64_t pages = Count("PRAGMA page_count");
  db_->connection().Execute("PRAGMA max_page_count = " + std::to_string(pages + 2));
  const server::TournamentOutcome outcome = Run(plan);
  EXPECT_NE(outcome.error.find("database or disk is full"), std::string::npos) << outcome.error;
  const int64_t kept = Count("SELECT count(*) FROM games");
  EXPECT_LT(kept, 24);
  EXPECT_EQ(Count("SELECT count(*) FROM games WHERE seat0 NOT IN (SELECT id FROM players)"), 0);

  db_->connection().Execute("PRAGMA max_page_count = 1000000");
  const std::vector<server::FinishedGame> finished = server::ReadFinishedGames(plan, 24).finished;
  EXPECT_GT(static_cast<int64_t>(finished.size()), kept);
  ASSERT_EQ(Run(plan, finished).error, "");
  EXPECT_EQ(Count("SELECT count(*) FROM games"), 24);
  EXPECT_EQ(Count("SELECT count(DISTINCT game_index) FROM games"), 24);
}

// Readers open and read the database while the tournament writes to it:
// none waits or fails, and each sees whole games only, never fewer than
// before.
TEST_F(ResultsTournamentTest, ReadersSeeWholeGamesWhileATournamentWrites) {
  const server::TournamentPlan plan = Plan("rr", 6, 2);
  std::atomic<bool> done{false};
  std::atomic<int> reads{0};
  std::vector<std::string> failures;
  std::thread reader([&] {
    int64_t seen = 0;
    while (!done) {
      std::string error;
      auto db =
          ResultsDatabase::Open((folder_ / "results.sqlite").string(), OpenMode::kRead, error);
      if (!db) {
        failures.push_back(error);
        return;
      }
      try {
        const int64_t games = db->connection().QueryInt("SELECT count(*) FROM games");
        const int64_t orphans = db->connection().QueryInt(
            "SELECT count(*) FROM games WHERE seat0 NOT IN (SELECT id FROM players) OR run_id "
            "NOT IN (SELECT id FROM runs)");
        if (games < seen || orphans != 0) failures.push_back("a game went missing or half");
        seen = games;
        ReadRatedPairs(*db, "");
      } catch (const SqliteError& e) {
        failures.push_back(e.what());
      }
      ++reads;
    }
  });
  const server::TournamentOutcome outcome = Run(plan);
  done = true;
  reader.join();
  ASSERT_EQ(outcome.error, "");
  EXPECT_TRUE(failures.empty()) << failures.front();
  EXPECT_GT(reads.load(), 1);
  EXPECT_EQ(Count("SELECT count(*) FROM games"), 18);
}

TEST_F(ResultsTournamentTest, TwoBuildsUnderOneNameAreTwoPlayers) {
  // Two copies of the engine that differ by a byte, both named A.
  const fs::path old_build = folder_ / "old" / "engine";
  const fs::path new_build = folder_ / "new" / "engine";
  for (const fs::path& build : {old_build, new_build}) {
    fs::create_directories(build.parent_path());
    fs::copy_file(FAKE_ENGINE_PATH, build);
  }
  std::ofstream(new_build, std::ios::app | std::ios::binary) << '\0';
  // A build's time is that of its file: both older than the games.
  fs::last_write_time(old_build, fs::last_write_time(old_build) - std::chrono::hours(1));
  fs::last_write_time(new_build, fs::last_write_time(new_build) - std::chrono::hours(1));
  for (const fs::path& build : {old_build, new_build}) {
    server::TournamentPlan plan = Plan(build.parent_path().filename().string(), 2);
    plan.engines = {{"A", {build.string(), "good"}, ""}, {"B", {FAKE_ENGINE_PATH, "good"}, ""}};
    ASSERT_EQ(server::WriteManifest(plan.folder, {server::PlanJson(plan), {}}), "");
    ASSERT_EQ(Run(plan).error, "");
  }
  EXPECT_EQ(Count("SELECT count(*) FROM players WHERE name = 'A'"), 2);
  EXPECT_EQ(Count("SELECT count(DISTINCT executable_sha256) FROM players WHERE name = 'A'"), 2);
  const RatedPairs rated = ReadRatedPairs(*db_, "");
  EXPECT_EQ(rated.pairs, 2);
  int labelled = 0;
  for (const PlayerRecord& p : rated.players)
    labelled += p.label.rfind("A@", 0) == 0 ? 1 : 0;
  EXPECT_EQ(labelled, 2);

  // A program changed after its game began is not the build that played it.
  ExecutableHasher hasher;
  EXPECT_EQ(hasher.HashPlayedBy(old_build.string(), "2000-01-01T00:00:00Z"), "");
  EXPECT_EQ(hasher.HashPlayedBy(old_build.string(), "2100-01-01T00:00:00Z").size(), 64u);
}

}  // namespace
}  // namespace curling::results
