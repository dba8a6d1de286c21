// The baseline programs themselves, driven over pipes as a match drives them.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "curling_simulator/version.h"
#include "tests/support/child_program.h"

namespace {

// --help and --version answer on standard output and end the program; a bad
// argument ends it with the usage on standard error and exit code 2.
TEST(BaselineProcess, EachProgramHasHelpVersionAndUsageErrors) {
  const struct {
    const char* path;
    const char* name;
    bool takes_samples;
  } programs[] = {{BASELINE_DRAW_PATH, "baseline-draw", false},
                  {BASELINE_RANDOM_PATH, "baseline-random", false},
                  {BASELINE_GREEDY_PATH, "baseline-greedy", true}};
  for (const auto& program : programs) {
    SCOPED_TRACE(program.name);
    using curling::testing::RunProgram;
    const auto help = RunProgram(program.path, {"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_TRUE(help.out.starts_with(std::string("usage: ") + program.name)) << help.out;
    for (const char* option : {"--seed N", "--help", "--version"}) {
      EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(help.out.find("--samples N") != std::string::npos, program.takes_samples);
    const auto version = RunProgram(program.path, {"--seed", "3", "--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.out, std::string(program.name) + " " CURLING_SIMULATOR_VERSION "\n");
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--seed", "x"}, {"--samples", "0"}, {"--verbose"}}) {
      const auto run = RunProgram(program.path, bad, "ISREADY\n");
      EXPECT_EQ(run.exit_code, 2) << bad[0];
      EXPECT_EQ(run.out, "") << bad[0];
      EXPECT_NE(run.errors.find("bad argument: " + bad[0]), std::string::npos) << run.errors;
    }
  }
}

TEST(BaselineProcess, EachProgramAnswersReadinessAndGoWithoutLineEnds) {
  std::string position = "POSITION 2.3 5.0 2.5 4.6";
  for (int k = 2; k < 16; ++k)
    position += " 0 0";
  // One finite delivery toward the house (negative vy), nothing after it.
  const std::regex reply(R"(BESTSHOT -?[0-9]+\.[0-9]{6} -[0-9]+\.[0-9]{6} [01])");
  for (const char* path : {BASELINE_DRAW_PATH, BASELINE_RANDOM_PATH, BASELINE_GREEDY_PATH}) {
    SCOPED_TRACE(path);
    curling::testing::ChildProgram child(path);
    child.Send("ISREADY");
    EXPECT_EQ(child.Read(7), "READYOK");
    // Several commands in one write, the way a line-reading server might send them.
    child.Send("NEWGAME\n" + position + "\nSETSTATE 2 0 8 0\nGO\n");
    child.CloseInput();
    const std::string out = child.ReadAll();
    EXPECT_TRUE(std::regex_match(out, reply)) << out;
    EXPECT_EQ(child.Wait(), 0);
  }
}

// The baselines read their input as curling-engine does (1024-byte reads, a
// line cut by a full read completed by the next) and, like it, go on to the
// end of their input when nobody reads their replies.
TEST(BaselineProcess, EachProgramCompletesALineCutByAFullReadAndOutlivesItsOutput) {
  for (const char* path : {BASELINE_DRAW_PATH, BASELINE_RANDOM_PATH, BASELINE_GREEDY_PATH}) {
    SCOPED_TRACE(path);
    curling::testing::ChildProgram child(path);
    // Every read but the last is full; the fourth ends inside "ISREADY".
    child.Send(std::string(4090, ' ') + "ISREADY\n");
    EXPECT_EQ(child.ReadUntil("READYOK"), "READYOK");
    child.CloseOutput();
    child.Send("ISREADY\nGO\nISREADY\n");
    child.CloseInput();
    EXPECT_EQ(child.Wait(), 0);
  }
}

}  // namespace
