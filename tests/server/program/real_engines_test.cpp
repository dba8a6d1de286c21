// Whole games between two real curling-engines through curling-match.
#include "server/game/game.h"
#include "server/game/game_record.h"
#include "tests/server/match_program_fixture.h"
#include "tests/support/child_program.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class RealEngines : public curling::testing::MatchProgramFixture {
 protected:
  // The record of one completed two-end game.
  std::vector<json> Play(const std::string& name, const std::string& options) {
    const auto run = RunMatch(options + " --ends 2 --out '" + (folder_ / name).string() + "'");
    EXPECT_EQ(run.exit_code, 0) << run.out;
    std::vector<json> lines;
    int skipped = 0;
    std::string error;
    EXPECT_TRUE(curling::server::ReadGameRecord((folder_ / name / "game.jsonl").string(), lines,
                                                skipped, error))
        << error;
    EXPECT_EQ(skipped, 0);
    EXPECT_TRUE(!lines.empty() && lines.back()["outcome"] == "completed");
    return lines;
  }
};

// The default engine ignores SCORE and TIME: a recorded game, fed again to a
// fresh engine with and without them, gets the recorded answers both times.
TEST_F(RealEngines, DefaultEngineGameIsUnchangedByScoreAndTime) {
  const auto game = Play("a", "--seed 2024");
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
// budget and never runs out.
TEST_F(RealEngines, StrongEngineKeepsToItsBudget) {
  const fs::path bin = fs::path(MATCH_PATH).parent_path();
  const std::string strong = "--engine '" + (bin / "curling-engine").string() + " --strong ";
  const std::string plain = " --engine '" + (bin / "curling-engine").string() + "'";
  const auto lines = Play("timed", strong + "--threads 1'" + plain + " --time 6 --seed 3");
  ASSERT_FALSE(lines.empty());
  EXPECT_LT(lines.back()["thinking"][0].get<double>(), 6.0);
  EXPECT_GT(lines.back()["thinking"][0].get<double>(), 1.5);
}

}  // namespace
