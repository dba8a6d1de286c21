// curling-suite run over the CI suite with scripted engines: the solved best
// costs nothing, a stone thrown away costs what the suite says it does, and
// engine faults are results of their positions while the run goes on.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "suite/candidates.h"
#include "suite/suite_file.h"
#include "tests/support/child_program.h"
#include "tests/support/temp_folder.h"

namespace curling::suite {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Shortest(float v) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  return std::string(text, end);
}

std::string ShotLine(const ShotVector& s) {
  return Shortest(s.vx) + " " + Shortest(s.vy) + " " + std::to_string(s.curl);
}

class Runner : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    const SuiteRead read = LoadSuite(CI_SUITE_PATH);
    ASSERT_EQ(read.error, "");
    suite_ = read.suite;
  }

  // Runs the suite with an engine playing `lines`; returns run.json.
  json Run(const std::vector<std::string>& lines, const std::vector<std::string>& extra = {}) {
    const fs::path script = folder_ / "answers.txt";
    std::ofstream(script) << [&] {
      std::string text;
      for (const std::string& l : lines)
        text += l + "\n";
      return text;
    }();
    std::vector<std::string> arguments = {
        "run",       CI_SUITE_PATH,
        "--engine",  std::string(SCRIPTED_ENGINE_PATH) + " " + script.string(),
        "--out",     (folder_ / "run").string(),
        "--threads", "2",
        "-q"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const curling::testing::ProgramRun run = curling::testing::RunProgram(SUITE_PATH, arguments);
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    std::ifstream in(folder_ / "run" / "run.json");
    return json::parse(in);
  }

  Suite suite_;
};

TEST_F(Runner, TheSolvedBestHasNoRegretAndAThrowAwayTheRegretTheSuiteSays) {
  std::vector<std::string> best, away;
  for (const SuitePosition& p : suite_.positions) {
    best.push_back(ShotLine(p.answer->best.delivery.shot));
    away.push_back(ShotLine(ThrowAway().shot));
  }
  const json perfect = Run(best);
  ASSERT_EQ(perfect["positions"].size(), suite_.positions.size());
  for (const json& p : perfect["positions"])
    EXPECT_EQ(p["regret"].get<double>(), 0.0) << p["id"];
  ASSERT_EQ(perfect["summaries"][0]["group"], "win");
  EXPECT_EQ(perfect["summaries"][0]["mean_regret"].get<double>(), 0.0);
  EXPECT_EQ(perfect["summaries"][0]["within_small"].get<double>(), 1.0);

  fs::remove(folder_ / "answers.txt.count");
  const json thrown = Run(away);
  for (size_t i = 0; i < suite_.positions.size(); ++i) {
    const Answer& a = *suite_.positions[i].answer;
    const auto said =
        std::find_if(a.runners_up.begin(), a.runners_up.end(),
                     [](const RatedDelivery& r) { return r.delivery.kind == "throw-away"; });
    ASSERT_NE(said, a.runners_up.end()) << suite_.positions[i].id;
    const json& p = thrown["positions"][i];
    EXPECT_NEAR(p["regret"].get<double>(), a.best.value - said->value, 1e-12) << p["id"];
  }
}

TEST_F(Runner, EngineFaultsAreResultsOfTheirPositionsAndTheRunGoesOn) {
  const std::string best = ShotLine(suite_.positions[4].answer->best.delivery.shot);
  const std::string anything = ShotLine(ThrowAway().shot);
  const json run = Run({anything, "crash", "hang", "garbage", best}, {"--time", "0.5"});
  const json& positions = run["positions"];
  EXPECT_FALSE(positions[0].contains("fault"));
  EXPECT_EQ(positions[1]["fault"]["kind"], "crash");
  EXPECT_EQ(positions[2]["fault"]["kind"], "time");
  EXPECT_EQ(positions[3]["fault"]["kind"], "protocol");
  // A new engine after each fault: it answers again, and is judged.
  EXPECT_EQ(positions[4]["regret"].get<double>(), 0.0);
  const json& all = run["summaries"][0];
  ASSERT_EQ(all["group"], "win");
  EXPECT_EQ(all["faults"], 3);
  std::ifstream text(folder_ / "run" / "run.txt");
  const std::string report((std::istreambuf_iterator<char>(text)), {});
  EXPECT_NE(report.find(suite_.positions[1].id + " (crash)"), std::string::npos) << report;
}

TEST(SuiteProgram, BadSuiteFilesAndUnsolvedSuitesExitWith2AndTheLine) {
  const fs::path folder =
      fs::temp_directory_path() / ("curling-suite-bad-" + std::to_string(getpid()));
  fs::create_directories(folder);
  std::ifstream in(CI_SUITE_PATH);
  std::string header, line;
  while (std::getline(in, header) && header[0] == '#') {
  }
  std::getline(in, line);
  const fs::path bad = folder / "bad.jsonl";
  std::ofstream(bad) << header << "\n" << line << "\n{\"type\": \"position\"\n";
  for (const char* command : {"solve", "run", "pages"}) {
    std::vector<std::string> args = {command, bad.string()};
    if (std::string(command) == "run") args.insert(args.end(), {"--engine", "true"});
    const auto run = curling::testing::RunProgram(SUITE_PATH, args);
    EXPECT_EQ(run.exit_code, 2) << command;
    EXPECT_NE(run.errors.find(bad.string() + ":3: not valid JSON"), std::string::npos)
        << run.errors;
  }
  // An unsolved suite cannot be run.
  const fs::path unsolved = folder / "unsolved.jsonl";
  json position = json::parse(line);
  position.erase("answer");
  std::ofstream(unsolved) << header << "\n" << position.dump() << "\n";
  const auto run =
      curling::testing::RunProgram(SUITE_PATH, {"run", unsolved.string(), "--engine", "true"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.errors.find(":2: position"), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find("is not solved"), std::string::npos) << run.errors;
  // The command line is kept in the output's JSON: bytes that are not UTF-8
  // are refused before any work, instead of ending the run on its last write.
  const auto bytes = curling::testing::RunProgram(
      SUITE_PATH, {"run", CI_SUITE_PATH, "--engine", "name=a\xff cmd=true", "--out",
                   (folder / "out").string()});
  EXPECT_EQ(bytes.exit_code, 2);
  EXPECT_NE(bytes.errors.find("argument 4 is not UTF-8 text"), std::string::npos) << bytes.errors;
  EXPECT_FALSE(fs::exists(folder / "out"));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace curling::suite
