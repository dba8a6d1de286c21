// The engine's command line and the bench mode's mechanics, against stand-in
// libraries: which mode each command line selects, a library without
// SetRandomSeed, and that the binding's call counters see the calls of every
// thread.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "engine/bench_command.h"
#include "game/simulator_binding.h"
#include "tests/engine/engine_copy.h"
#include "tests/support/child_program.h"
#include "tests/support/recording_simulator.h"

namespace curling::testing {
namespace {

const std::regex kBenchLastLine(R"(bench: ([0-9]+) library calls, [0-9]+ ms\n$)");

TEST(BenchArgumentsTest, CommandLineSelectsTheMode) {
  // An argument that is neither "bench" nor an option: what was wrong and the
  // usage on standard error, exit code 2, no input read and no library needed.
  EngineCopy alone;
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"bench", "extra"}, {"BENCH"}, {""}}) {
    const ProgramRun usage = RunProgram(alone.Engine(), arguments, "ISREADY\n");
    EXPECT_EQ(usage.exit_code, 2) << arguments[0];
    EXPECT_EQ(usage.out, "");
    EXPECT_TRUE(usage.errors.starts_with("curling-engine: ")) << usage.errors;
    EXPECT_NE(usage.errors.find("\nusage: curling-engine"), std::string::npos) << usage.errors;
  }

  // The bench without a loadable library says so and fails.
  const ProgramRun unloadable = RunProgram(alone.Engine(), {"bench"});
  EXPECT_EQ(unloadable.exit_code, 1);
  EXPECT_EQ(unloadable.out, "");
  EXPECT_TRUE(unloadable.errors.starts_with("bench: cannot load libCurlingSimulator.so: "))
      << unloadable.errors;
}

TEST(BenchArgumentsTest, BenchRunsWithALibraryWithoutSeedExport) {
  EngineCopy copy(CURLING_SEEDLESS_LIBRARY);
  const ProgramRun run = RunProgram(copy.Engine(), {"bench"});
  ASSERT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  EXPECT_TRUE(run.out.starts_with("library has no SetRandomSeed export")) << run.out;
  EXPECT_TRUE(std::regex_search(run.out, kBenchLastLine)) << run.out;
}

TEST(BenchArgumentsTest, CallCountersSeeEveryThread) {
  RecordingSimulator::Load();
  RecordingSimulator::SetRecording(false);  // count only: the searches are big
  EXPECT_TRUE(SetLibraryRandomSeed(1));     // the stand-in has the optional export
  for (const BenchPosition& position : BenchPositions()) {
    const long long library_before = RecordingSimulator::TotalCalls();
    const LibraryCallCounts before = LibraryCalls();
    const std::string reply = AnswerText(position.state);
    const LibraryCallCounts after = LibraryCalls();
    // The searches at shots 14 and 15 call from eight worker threads.
    EXPECT_EQ(static_cast<long long>(after.Total() - before.Total()),
              RecordingSimulator::TotalCalls() - library_before)
        << position.name;
    EXPECT_GE(after.create_shots + after.create_hit_shots,
              before.create_shots + before.create_hit_shots + 1)
        << position.name;
    EXPECT_NE(reply.find("BESTSHOT "), std::string::npos) << position.name << ": " << reply;
  }
  RecordingSimulator::SetRecording(true);
}

}  // namespace
}  // namespace curling::testing
