// Whole games between two real curling-engines through curling-match.
#include "server/game.h"
#include "server/game_record.h"
#include "tests/server/match_program_fixture.h"
#include "tests/support/child_program.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class RealEngines : public curling::testing::MatchProgramFixture {
 protected:
  // The record of one two-end game, without what may differ between two runs
  // (clock and timing).
  std::vector<json> Play(const std::string& name, const std::string& engines = "") {
    const auto run =
        RunMatch(engines + " --ends 2 --seed 2024 --out '" + (folder_ / name).string() + "'");
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

// The default engine ignores SCORE and TIME: a recorded game, fed again to a
// fresh engine with and without them, gets the recorded answers both times.
TEST_F(RealEngines, DefaultEngineGameIsUnchangedByScoreAndTime) {
  const auto game = Play("a");
  ASSERT_FALSE(game.empty());
  const std::string engine = (fs::path(MATCH_PATH).parent_path() / "curling-engine").string();
  for (int seat = 0; seat < 2; ++seat) {
    std::string plain = "NEWGAME\nISREADY\n";
    std::string extended = plain;
    std::string recorded = "READYOK";
    for (const json& line : game) {
      if (line["type"] != "shot" || line["seat"] != seat) continue;
      GameState state{};
      for (int i = 0; i < 16; ++i) {
        state.Stones[i] = {line["before"][2 * i].get<float>(),
                           line["before"][2 * i + 1].get<float>()};
      }
      state.ShotNum = line["shot"];
      state.CurEnd = line["end"];
      state.LastEnd = std::max(1, state.CurEnd);
      state.NextSide = static_cast<uint8_t>(seat);
      const std::string position = curling::server::ProtocolState::PositionCommand(state) + "\n" +
                                   curling::server::ProtocolState::SetStateCommand(state) + "\n";
      plain += position + "GO\n";
      extended += position + "SCORE 3 1\nTIME 1799.125 1700.5\nGO\n";
      recorded += line["texts"].get<std::string>();
    }
    for (const std::string* input : {&plain, &extended}) {
      curling::testing::ChildProgram process(engine, "", {}, std::chrono::minutes(2));
      process.Send(*input);
      process.CloseInput();
      EXPECT_EQ(process.ReadAll(), recorded) << "seat " << seat;
      EXPECT_EQ(process.Wait(), 0);
    }
  }
}

// The strong engine planning from TIME alone spends a good part of a small
// budget and never runs out; with --samples its games replay exactly, on one
// thread or two.
TEST_F(RealEngines, StrongEngineKeepsToItsBudgetAndSamplesReplay) {
  const fs::path bin = fs::path(MATCH_PATH).parent_path();
  const std::string strong = "--engine '" + (bin / "curling-engine").string() + " --strong ";
  const std::string plain = " --engine '" + (bin / "curling-engine").string() + "'";
  const auto timed =
      RunMatch(strong + "--threads 1'" + plain + " --ends 2 --time 6 --seed 3 --out '" +
               (folder_ / "timed").string() + "'");
  ASSERT_EQ(timed.exit_code, 0) << timed.out;
  std::vector<json> lines;
  int skipped = 0;
  std::string error;
  ASSERT_TRUE(curling::server::ReadGameRecord((folder_ / "timed" / "game.jsonl").string(), lines,
                                              skipped, error));
  const json& result = lines.back();
  EXPECT_EQ(result["outcome"], "completed");
  EXPECT_LT(result["thinking"][0].get<double>(), 6.0);
  EXPECT_GT(result["thinking"][0].get<double>(), 1.5);

  const auto one = Play("one", strong + "--samples 60 --threads 1'" + plain);
  const auto two = Play("two", strong + "--samples 60 --threads 2'" + plain);
  ASSERT_FALSE(one.empty());
  EXPECT_EQ(one.back()["outcome"], "completed");
  auto without_commands = [](std::vector<json> lines) {
    lines.front().erase("engines");  // the command lines differ in --threads
    return lines;
  };
  EXPECT_EQ(without_commands(two), without_commands(one));
}

}  // namespace
