// Short tournaments between scripted fake engines on the stand-in physics:
// pairing and seats, start positions, early stopping, and what is left on disk.
#include "server/tournament/tournament.h"
#include "server/tournament/tournament_schedule.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "server/game/game_record.h"
#include "server/stats/scenario_file.h"
#include "tests/server/fake_physics.h"
#include "tests/support/temp_folder.h"

namespace curling::server {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class TournamentTest : public curling::testing::TempFolderTest {
 protected:
  TournamentPlan Plan(const std::string& mode_b, int games) {
    TournamentPlan plan;
    plan.engines = {{"A", {FAKE_ENGINE_PATH, "good"}, ""},
                    {"B", {FAKE_ENGINE_PATH, mode_b, "1"}, ""}};
    plan.rules.ends = 1;
    plan.rules.extra_ends = 1;
    plan.rules.ready_timeout = 5;
    plan.seed = 40;
    plan.games = games;
    plan.folder = folder_;
    return plan;
  }

  static json ReadJson(const fs::path& path) {
    std::ifstream in(path);
    return json::parse(in);
  }
};

TEST_F(TournamentTest, PairsShareASeedAndSwapSeatsAndHammer) {
  TournamentPlan plan = Plan("good", 4);
  std::istringstream scenarios(
      "{\"end\": 0, \"shot\": 14, \"score\": {\"hammer\": 1, \"other\": 2}, "
      "\"stones\": [[2.4, 5.0]]}\n");
  plan.scenarios.list = stats::ParseScenarios(scenarios, "s").scenarios;
  ASSERT_EQ(plan.scenarios.list.size(), 1u);

  const TournamentSchedule schedule(plan);
  const auto config = [&](int game) { return ScheduledGameConfig(plan, schedule.Game(game)); };
  const GameConfig g0 = config(0);
  EXPECT_EQ(g0.engines[0].name, "A");
  EXPECT_EQ(g0.seed, 40u);
  const GameConfig g1 = config(1);
  EXPECT_EQ(g1.engines[0].name, "B");
  EXPECT_EQ(g1.engines[1].name, "A");
  EXPECT_EQ(g1.seed, 40u);
  EXPECT_EQ(g1.engines[1].stderr_log, (folder_ / "game-0002" / "engine-2.stderr.log").string());

  // The hammer side of the position is seat 1 in every game: B's in game 0, A's in game 1.
  ASSERT_TRUE(g0.start && g1.start);
  EXPECT_EQ(g0.start->first_seat, 0);
  EXPECT_EQ(g0.start->total, (std::array<int, 2>{2, 1}));
  EXPECT_EQ(g0.start->shot, 14);
  EXPECT_FLOAT_EQ(g0.start->stones[0].x, 2.4f);
}

TEST_F(TournamentTest, StartPositionGameBeginsAtItsShot) {
  TournamentPlan plan = Plan("good", 2);
  plan.rules.ends = 2;
  std::istringstream scenarios(
      "{\"end\": 1, \"shot\": 14, \"score\": {\"hammer\": 1, \"other\": 4}, "
      "\"stones\": [[2.4, 5.0], [0, 0], [2.2, 7.0]]}\n");
  plan.scenarios.list = stats::ParseScenarios(scenarios, "s").scenarios;
  std::ostringstream out;
  const TournamentOutcome outcome = RunTournament(plan, testing::FakePlayShot, out);
  ASSERT_EQ(outcome.error, "");
  EXPECT_EQ(outcome.summary().tally.games, 2);

  std::vector<json> lines;
  int skipped = 0;
  std::string error;
  ASSERT_TRUE(
      ReadGameRecord((folder_ / "game-0001" / "game.jsonl").string(), lines, skipped, error))
      << error;
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0]["start"]["shot"], 14);
  // The first shot played is shot 14 of end 1 from the given stones; seat 1
  // throws the odd (hammer) stones.
  EXPECT_EQ(lines[1]["type"], "shot");
  EXPECT_EQ(lines[1]["end"], 1);
  EXPECT_EQ(lines[1]["shot"], 14);
  EXPECT_EQ(lines[2]["shot"], 15);
  EXPECT_EQ(lines[2]["seat"], 1);
  EXPECT_EQ(lines[3]["type"], "end");
  // The game is over after that one end, from the 4-1 start: totals carry over.
  const json& result = lines.back();
  EXPECT_EQ(result["type"], "result");
  EXPECT_GE(result["total"][0].get<int>(), 4);

  // The tally counts only the ends played from the position and their points.
  int ends = 0;
  int difference = 0;
  for (int g = 0; g < 2; ++g) {
    std::vector<json> record;
    ASSERT_TRUE(
        ReadGameRecord((folder_ / ("game-000" + std::to_string(g + 1)) / "game.jsonl").string(),
                       record, skipped, error));
    const json& r = record.back();
    const int a_seat = g % 2;
    ends += r["ends_played"].get<int>() - 1;
    difference += r["total"][a_seat].get<int>() - r["total"][1 - a_seat].get<int>() -
                  (a_seat == 0 ? 4 - 1 : 1 - 4);
  }
  EXPECT_EQ(outcome.summary().tally.ends, ends);
  EXPECT_EQ(outcome.summary().tally.end_score_difference, difference);
}

TEST_F(TournamentTest, EqualEnginesSplitEveryPairAndLeaveAValidSummary) {
  TournamentPlan plan = Plan("good", 5);
  plan.concurrency = 2;
  std::ostringstream out;
  const TournamentOutcome outcome = RunTournament(plan, testing::FakePlayShot, out);
  ASSERT_EQ(outcome.error, "");
  EXPECT_FALSE(outcome.interrupted());

  const json summary = ReadJson(folder_ / "summary.json");
  EXPECT_EQ(summary["games"], 5);
  EXPECT_EQ(summary["wins"].get<int>() + summary["draws"].get<int>() + summary["losses"].get<int>(),
            5);
  // Same engine, same luck, seats swapped: whatever one game gives A, the
  // other gives B, so both complete pairs score exactly 1/2.
  EXPECT_EQ(summary["pentanomial"], json::array({0, 0, 2, 0, 0}));
  EXPECT_TRUE(summary["sprt"].is_null());
  EXPECT_NE(out.str().find("games 5/5"), std::string::npos) << out.str();
}

TEST_F(TournamentTest, SprtStopsOnceAFaultyOpponentHasLostEnough) {
  // B crashes: A wins every game. With H0 = 0, H1 = +50 eight perfect pairs
  // give LLR 2.973 >= 2.944 (seven 2.353): 16 of 40 games. Five games at a
  // time, B crashing later, up to four more are under way when the test
  // decides; they are stopped and left out of the counts it decided on.
  for (const int concurrency : {1, 5}) {
    SCOPED_TRACE(concurrency);
    TournamentPlan plan = Plan("crash", 40);
    plan.folder = folder_ / std::to_string(concurrency);
    fs::create_directories(plan.folder);
    plan.engines[1].argv = {FAKE_ENGINE_PATH, "crash", concurrency == 1 ? "1" : "3"};
    plan.recover = true;
    plan.concurrency = concurrency;
    plan.sprt = stats::SprtParameters{0, 50, 0.05, 0.05, stats::SprtModel::kLogistic};
    std::ostringstream out;
    const TournamentOutcome outcome = RunTournament(plan, testing::FakePlayShot, out);
    ASSERT_EQ(outcome.error, "");
    const json summary = ReadJson(plan.folder / "summary.json");
    EXPECT_EQ(summary["pentanomial"], json::array({0, 0, 0, 0, 8})) << out.str();
    EXPECT_NEAR(summary["sprt"]["llr"].get<double>(), 2.973, 1e-3);
    EXPECT_EQ(summary["sprt"]["result"], "H1");
    EXPECT_EQ(summary["wins"], summary["games"]);
    EXPECT_EQ(summary["elo_bound"], "lower");
    EXPECT_TRUE(summary["elo"].is_null());
    EXPECT_LE(summary["games"].get<int>(), concurrency == 1 ? 16 : 16 + 4);
    EXPECT_GE(summary["games"].get<int>(), 16);
  }
  EXPECT_FALSE(fs::exists(folder_ / "1" / "game-0017"));
}

// The first fault that is not a loss on the ice stops the tournament (exit 1
// in the program) unless --recover; an engine that cannot start is never
// recovered. A stopped tournament keeps what was played before the fault.
TEST_F(TournamentTest, FaultsStopTheTournamentUnlessRecovered) {
  const struct {
    std::vector<std::string> b;
    bool recover;
    bool stops;
    int games_counted;
    const char* fault;
  } cases[] = {
      {{"/nonexistent/engine"}, false, true, 0, "(start)"},
      {{"/nonexistent/engine"}, true, true, 0, "(start)"},
      {{FAKE_ENGINE_PATH, "crash", "1"}, false, true, 0, "(crash)"},
      {{FAKE_ENGINE_PATH, "garbage", "1"}, false, true, 0, "(protocol)"},
      {{FAKE_ENGINE_PATH, "crash", "1"}, true, false, 6, ""},
  };
  for (const auto& c : cases) {
    const fs::path folder = folder_ / ("run-" + std::to_string(&c - cases));
    fs::create_directories(folder);
    TournamentPlan plan = Plan("good", 6);
    plan.folder = folder;
    plan.engines[1].argv = c.b;
    plan.recover = c.recover;
    plan.sprt = stats::SprtParameters{0, 10, 0.05, 0.05, stats::SprtModel::kLogistic};
    std::ostringstream out;
    const TournamentOutcome outcome = RunTournament(plan, testing::FakePlayShot, out);
    const std::string label = c.b[0] + (c.recover ? " --recover" : "");
    EXPECT_EQ(outcome.error, "") << label;
    EXPECT_EQ(!outcome.fault.empty(), c.stops) << label << "\n" << out.str();
    EXPECT_NE(outcome.fault.find(c.fault), std::string::npos) << label << ": " << outcome.fault;
    const json summary = ReadJson(folder / "summary.json");
    EXPECT_EQ(summary["games"], c.games_counted) << label;
    EXPECT_EQ(summary["sprt"]["result"], "continue") << label;
    EXPECT_EQ(fs::exists(folder / "game-0002"), !c.stops) << label;
  }
}

// Three engines, each with settings of its own: one started from its own
// folder by a relative path, one that answers too late for its limit per
// shot and loses every game on time (counted, with --recover). The standings
// and the index page cover every game.
TEST_F(TournamentTest, ThreeEnginesWithSettingsOfTheirOwn) {
  TournamentPlan plan = Plan("good", 2);
  const fs::path fake(FAKE_ENGINE_PATH);
  plan.engines[1].argv = {"./" + fake.filename().string(), "good"};
  plan.engines[1].working_folder = fake.parent_path().string();
  plan.engines.push_back({"C", {FAKE_ENGINE_PATH, "slow", "300"}, ""});
  plan.engines[2].shot_time = 0.05;
  plan.recover = true;
  plan.concurrency = 2;
  std::ostringstream out;
  const TournamentOutcome outcome = RunTournament(plan, testing::FakePlayShot, out);
  ASSERT_EQ(outcome.error, "");
  EXPECT_EQ(outcome.status, TournamentStatus::kCompleted) << out.str();
  const json summary = ReadJson(folder_ / "summary.json");
  EXPECT_EQ(summary["games"], 6);
  EXPECT_EQ(summary["players"][2]["points"], 0.0) << out.str();
  EXPECT_EQ(summary["crosstable"]["A"]["C"]["points"], 2.0);
  EXPECT_EQ(summary["pairings"][0]["pentanomial"], json::array({0, 0, 1, 0, 0}));
  EXPECT_NE(out.str().find("C loses by fault (time)"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("(0.05 s per shot)"), std::string::npos) << out.str();

  std::ifstream index_file(folder_ / "index.html");
  const std::string index((std::istreambuf_iterator<char>(index_file)), {});
  for (int g = 1; g <= 6; ++g) {
    EXPECT_NE(index.find("href=\"game-000" + std::to_string(g) + "/replay.html\""),
              std::string::npos)
        << g;
  }
  EXPECT_NE(index.find("C loses by fault (time)"), std::string::npos);
  EXPECT_TRUE(fs::exists(folder_ / "summary.txt"));
}

}  // namespace
}  // namespace curling::server
