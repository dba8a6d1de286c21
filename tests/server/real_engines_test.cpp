// Whole games between two real curling-engines through curling-match.
#include "server/game_record.h"
#include "tests/server/match_program_fixture.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class RealEngines : public curling::testing::MatchProgramFixture {
 protected:
  // The record of one two-end game, without what may differ between two runs
  // (clock and timing).
  std::vector<json> Play(const std::string& name) {
    const auto run = RunMatch("--ends 2 --seed 2024 --out '" + (folder_ / name).string() + "'");
    EXPECT_EQ(run.exit_code, 0) << run.out;
    std::vector<json> lines;
    int skipped = 0;
    std::string error;
    EXPECT_TRUE(curling::server::ReadGameRecord((folder_ / name / "game.jsonl").string(), lines,
                                                skipped, error))
        << error;
    EXPECT_EQ(skipped, 0);
    for (json& line : lines) {
      for (const char* key : {"started", "thinking", "budget_left"})
        line.erase(key);
    }
    return lines;
  }
};

TEST_F(RealEngines, TwoEndGameCompletesAndTheSameSeedReplaysIt) {
  const auto first = Play("a");
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.back()["type"], "result");
  EXPECT_EQ(first.back()["outcome"], "completed");
  int shots = 0;
  for (const json& line : first) {
    if (line["type"] != "shot") continue;
    ++shots;
    // Real engines answer the last two stones with the search's texts.
    EXPECT_EQ(line["shot_num"].is_null(), line["shot"].get<int>() < 14);
    EXPECT_FALSE(line["trajectories"].empty());
  }
  EXPECT_EQ(shots, 16 * first.back()["ends_played"].get<int>());
  EXPECT_EQ(Play("b"), first);
  EXPECT_TRUE(fs::exists(folder_ / "a" / "replay.html"));
}

}  // namespace
