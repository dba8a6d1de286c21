// curling-match running tournaments as a user runs them: the baseline
// engines over real processes and the real physics library, the options that
// make a tournament, and the files it leaves.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/server/match_program_fixture.h"

namespace {

namespace fs = std::filesystem;
using curling::testing::ProgramRun;

class TournamentProgram : public curling::testing::MatchProgramFixture {
 protected:
  // A one-end game per pair between the greedy and the draw baselines.
  ProgramRun Match(const std::string& arguments) {
    return RunMatch("--engine " BASELINE_GREEDY_PATH " --engine '" BASELINE_DRAW_PATH
                    " --seed 3' --ends 1 " +
                    arguments);
  }

  nlohmann::json Summary(const fs::path& dir) {
    std::ifstream in(dir / "summary.json");
    return nlohmann::json::parse(in);
  }
};

TEST_F(TournamentProgram, ShortTournamentFromStartPositionsWritesAValidSummary) {
  const fs::path scenarios = folder_ / "positions.jsonl";
  std::ofstream(scenarios) << "# two positions\n"
                           << "{\"name\": \"last stone\", \"shot\": 15, \"stones\": [[2.3, 5.2]]}\n"
                           << "{\"shot\": 14, \"score\": {\"hammer\": 0, \"other\": 1}}\n";
  const fs::path out = folder_ / "t";
  const ProgramRun run =
      Match("--games 4 --concurrency 2 --seed 11 --sprt 0 20 0.05 0.05 " +
            std::string("--scenarios '") + scenarios.string() + "' --out '" + out.string() + "'");
  ASSERT_EQ(run.exit_code, 0) << run.out;
  EXPECT_NE(run.out.find("games 4/4"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Elo difference (A - B)"), std::string::npos) << run.out;
  const nlohmann::json s = Summary(out);
  EXPECT_EQ(s["games"], 4);
  EXPECT_EQ(s["pairs"], 2);
  EXPECT_EQ(s["wins"].get<int>() + s["draws"].get<int>() + s["losses"].get<int>(), 4);
  EXPECT_EQ(s["sprt"]["elo1"], 20.0);
  for (const char* file : {"summary.txt", "game-0004/game.jsonl", "game-0004/replay.html"})
    EXPECT_TRUE(fs::exists(out / file)) << file;
}

TEST_F(TournamentProgram, BadTournamentOptionsStopBeforeAnyGame) {
  const fs::path scenarios = folder_ / "bad.jsonl";
  std::ofstream(scenarios) << "{\"shot\": 3}\n{\"shot\": 20}\n";
  ProgramRun run =
      Match("--scenarios '" + scenarios.string() + "' --out '" + (folder_ / "a").string() + "'");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.out.find("bad.jsonl:2: \"shot\" is 20"), std::string::npos) << run.out;

  run = Match("--sprt 10 0 0.05 0.05 --out '" + (folder_ / "b").string() + "'");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.out.find("elo0 must be smaller than elo1"), std::string::npos) << run.out;

  run = Match("--sprt 0 10 0.05 --out '" + (folder_ / "c").string() + "'");
  EXPECT_NE(run.exit_code, 0);

  run = Match("--games 0 --out '" + (folder_ / "d").string() + "'");
  EXPECT_NE(run.exit_code, 0);
  EXPECT_FALSE(fs::exists(folder_ / "a" / "game-0001"));
  EXPECT_FALSE(fs::exists(folder_ / "b" / "game-0001"));
}

}  // namespace
