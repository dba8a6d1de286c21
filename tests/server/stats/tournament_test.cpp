// Short tournaments between scripted fake engines on the stand-in physics:
// pairing and seats, start positions, early stopping, and what is left on disk.
#include "server/tournament.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "server/game_record.h"
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
    plan.engines[0] = {"A", {FAKE_ENGINE_PATH, "good"}, ""};
    plan.engines[1] = {"B", {FAKE_ENGINE_PATH, mode_b, "1"}, ""};
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
  plan.scenarios = stats::ParseScenarios(scenarios, "s").scenarios;
  ASSERT_EQ(plan.scenarios.size(), 1u);

  int a_seat = -1;
  const GameConfig g0 = TournamentGameConfig(plan, 0, a_seat);
  EXPECT_EQ(a_seat, 0);
  EXPECT_EQ(g0.engines[0].name, "A");
  EXPECT_EQ(g0.seed, 40u);
  const GameConfig g1 = TournamentGameConfig(plan, 1, a_seat);
  EXPECT_EQ(a_seat, 1);
  EXPECT_EQ(g1.engines[0].name, "B");
  EXPECT_EQ(g1.engines[1].name, "A");
  EXPECT_EQ(g1.seed, 40u);
  EXPECT_EQ(g1.engines[1].stderr_log, (folder_ / "game-0002" / "engine-2.stderr.log").string());
  const GameConfig g3 = TournamentGameConfig(plan, 3, a_seat);
  EXPECT_EQ(g3.seed, 41u);

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
  plan.scenarios = stats::ParseScenarios(scenarios, "s").scenarios;
  std::ostringstream out;
  const TournamentOutcome outcome = RunTournament(plan, testing::FakePlayShot, out);
  ASSERT_EQ(outcome.error, "");
  EXPECT_EQ(outcome.summary.tally.games, 2);

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
  EXPECT_EQ(outcome.summary.tally.ends, ends);
  EXPECT_EQ(outcome.summary.tally.end_score_difference, difference);
}

TEST_F(TournamentTest, EqualEnginesSplitEveryPairAndLeaveAValidSummary) {
  TournamentPlan plan = Plan("good", 5);
  plan.concurrency = 2;
  std::ostringstream out;
  const TournamentOutcome outcome = RunTournament(plan, testing::FakePlayShot, out);
  ASSERT_EQ(outcome.error, "");
  EXPECT_FALSE(outcome.interrupted);

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
  // B crashes at its first GO: A wins every game. With H0 = 0, H1 = +50 the
  // test accepts H1 after 8 perfect pairs: s1 - s0 = 0.5714631 - 0.5,
  // v = 0.9375 / 10.5 = 0.0892857,
  // LLR = 8 * 0.0714631 * (2 - 1.0714631) / (2 * 0.0892857) = 2.973 >= 2.944
  // (7 pairs give 2.353), so 16 of the 40 games are played.
  TournamentPlan plan = Plan("crash", 40);
  plan.sprt = stats::SprtParameters{0, 50, 0.05, 0.05};
  std::ostringstream out;
  const TournamentOutcome outcome = RunTournament(plan, testing::FakePlayShot, out);
  ASSERT_EQ(outcome.error, "");
  const json summary = ReadJson(folder_ / "summary.json");
  EXPECT_EQ(summary["games"], 16);
  EXPECT_EQ(summary["wins"], 16);
  EXPECT_EQ(summary["sprt"]["result"], "H1");
  EXPECT_EQ(summary["elo_bound"], "lower");
  EXPECT_TRUE(summary["elo"].is_null());
  EXPECT_FALSE(fs::exists(folder_ / "game-0017"));
}

}  // namespace
}  // namespace curling::server
