// curling-match running tournaments as a user runs them: the baseline
// engines over real processes and the real physics library, the options that
// make a tournament, and the files it leaves.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "server/seat/child_process.h"
#include "server/text/shell_words.h"
#include "tests/server/match_program_fixture.h"

namespace {

namespace fs = std::filesystem;
using curling::testing::ProgramRun;

class TournamentProgram : public curling::testing::MatchProgramFixture {
 protected:
  nlohmann::json Summary(const fs::path& dir) {
    std::ifstream in(dir / "summary.json");
    return nlohmann::json::parse(in);
  }
};

TEST_F(TournamentProgram, AnEngineThatCannotStartStopsTheTestWithExitCodeOne) {
  const fs::path out = folder_ / "broken";
  const ProgramRun run = RunMatch("--engine /nonexistent/engine --engine " BASELINE_DRAW_PATH
                                  " --sprt 0 10 0.05 0.05 --ends 1 --seed 1 --out '" +
                                  out.string() + "'");
  EXPECT_EQ(run.exit_code, 1) << run.out;
  EXPECT_NE(run.out.find("tournament stopped"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("accepted"), std::string::npos) << run.out;
  const nlohmann::json s = Summary(out);
  EXPECT_EQ(s["games"], 0);
  EXPECT_EQ(s["sprt"]["result"], "continue");
}

// Two engines from start positions under an SPRT, and the README's examples:
// a round robin of three engines and a gauntlet.
TEST_F(TournamentProgram, TwoEnginesRoundRobinAndGauntletWriteTheirSummaries) {
  const fs::path scenarios = folder_ / "positions.jsonl";
  std::ofstream(scenarios) << "# two positions\n"
                           << "{\"name\": \"last stone\", \"shot\": 15, \"stones\": [[2.3, 5.2]]}\n"
                           << "{\"shot\": 14, \"score\": {\"hammer\": 0, \"other\": 1}}\n";
  const std::string two =
      "--engine " BASELINE_GREEDY_PATH " --engine 'name=draw cmd=" BASELINE_DRAW_PATH "'";
  const std::string three = two + " --engine " BASELINE_RANDOM_PATH;
  const struct {
    std::string options;
    const char* format;
    int games;
    int pairings;
    const char* report;
  } cases[] = {
      {two + " --sprt 0 20 0.05 0.05 --scenarios '" + scenarios.string() + "'", "round-robin", 4, 1,
       "Elo difference (A - B)"},
      {three + " --format round-robin", "round-robin", 12, 3, "Crosstable"},
      {three + " --format gauntlet", "gauntlet", 8, 2, "Crosstable"},
  };
  for (const auto& c : cases) {
    const fs::path out = folder_ / std::to_string(&c - cases);
    const ProgramRun run = RunMatch(c.options +
                                    " --games 4 --ends 1 --seed 5 --concurrency 2 --report-every 4 "
                                    "--out '" +
                                    out.string() + "'");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const nlohmann::json s = Summary(out);
    EXPECT_EQ(s["format"], c.format);
    EXPECT_EQ(s["games"], c.games);
    EXPECT_EQ(s["pairings"].size(), static_cast<size_t>(c.pairings));
    EXPECT_EQ(s["players"][1]["name"], "draw");
    EXPECT_EQ(s["sprt"].is_null(), c.pairings > 1);
    double points = 0;
    for (const auto& player : s["players"])
      points += player["points"].get<double>();
    EXPECT_DOUBLE_EQ(points, c.games);
    EXPECT_NE(run.out.find(c.report), std::string::npos) << run.out;
    // A progress line every four games.
    size_t lines = 0;
    for (size_t at = run.out.find("\ngames "); at != std::string::npos;
         at = run.out.find("\ngames ", at + 1)) {
      ++lines;
    }
    EXPECT_EQ(lines, static_cast<size_t>(c.games / 4)) << run.out;
    for (const char* file : {"index.html", "summary.txt", "game-0004/replay.html"})
      EXPECT_TRUE(fs::exists(out / file)) << file;
  }
}

// Ctrl-C in a tournament of two games at a time, then --resume: the summary
// equals that of the same tournament played without a break.
TEST_F(TournamentProgram, ResumeAfterAnInterruptGivesTheUninterruptedSummary) {
  const std::string options = "--engine 'name=slow cmd=\"" FAKE_ENGINE_PATH
                              " slow 15\"' --engine 'name=good cmd=\"" FAKE_ENGINE_PATH
                              " good\"' --engine 'name=slower cmd=\"" FAKE_ENGINE_PATH
                              " slow 25\"' --games 4 --ends 1 --seed 21 --concurrency 2 ";
  const fs::path whole = folder_ / "whole";
  const ProgramRun uninterrupted = RunMatch(options + "--out '" + whole.string() + "'");
  ASSERT_EQ(uninterrupted.exit_code, 0) << uninterrupted.out;

  const fs::path broken = folder_ / "broken";
  std::string error;
  const auto words = curling::server::SplitShellWords(
      std::string(MATCH_PATH) + " " + options + "--out '" + broken.string() + "'", error);
  ASSERT_TRUE(words) << error;
  curling::server::ChildProcess match;
  ASSERT_TRUE(match.Start(*words, (folder_ / "broken.log").string(), error)) << error;
  // Interrupt once a few games are in and others are under way.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int games = 0;
  while (games < 3 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::ifstream in(broken / "summary.json");
    const nlohmann::json s = nlohmann::json::parse(in, nullptr, false);
    if (!s.is_discarded() && s.contains("games")) games = s["games"].get<int>();
  }
  kill(match.pid(), SIGINT);
  ASSERT_TRUE(match.Reap(true));
  ASSERT_TRUE(WIFEXITED(match.wait_status()));
  ASSERT_EQ(WEXITSTATUS(match.wait_status()), 3);
  ASSERT_LT(Summary(broken)["games"].get<int>(), 12) << "finished before the interrupt";

  // An option that differs from the run's is refused; those not given are the run's.
  ProgramRun resumed = RunMatch("--resume '" + broken.string() + "' --games 6");
  EXPECT_EQ(resumed.exit_code, 2);
  EXPECT_NE(resumed.out.find("games: was 4, now 6"), std::string::npos) << resumed.out;
  resumed = RunMatch("--resume '" + broken.string() + "' --concurrency 2 --games 4 --ends 1");
  ASSERT_EQ(resumed.exit_code, 0) << resumed.out;
  EXPECT_NE(resumed.out.find("finished games read back"), std::string::npos) << resumed.out;
  EXPECT_EQ(Summary(broken), Summary(whole));
}

}  // namespace
