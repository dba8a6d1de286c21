// The engine's command line and the bench mode's mechanics, against stand-in
// libraries: which mode each command line selects, the bench's output shape,
// a library without SetRandomSeed, and that the binding's call counters see
// the calls of every thread.
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

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

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
  const std::vector<std::string> lines = Lines(run.out);
  const std::vector<BenchPosition>& positions = BenchPositions();
  // A note on the seed, one line per position, the call split, the replies'
  // fingerprint, the total.
  ASSERT_EQ(lines.size(), positions.size() + 4) << run.out;
  EXPECT_NE(lines[0].find("no SetRandomSeed"), std::string::npos) << lines[0];

  // Every position line names its position and carries exactly the one reply
  // of its decision: nothing of the decision reaches the output elsewhere.
  unsigned long long sum = 0;
  const std::regex position_line(R"((.*\S) +([0-9]+) calls +[0-9.]+ ms  (.*))");
  for (size_t i = 0; i < positions.size(); ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i + 1], m, position_line)) << lines[i + 1];
    EXPECT_EQ(m[1].str(), positions[i].name);
    EXPECT_TRUE(std::regex_match(m[3].str(), std::regex(R"((ShotNum:\d+)?(MeanScore:-?[0-9.]+)?)"
                                                        R"(BESTSHOT \S+ \S+ [01])")))
        << m[3];
    sum += std::stoull(m[2].str());
  }
  EXPECT_TRUE(std::regex_match(lines[positions.size() + 2], std::regex("replies [0-9a-f]{16}")))
      << lines[positions.size() + 2];
  std::smatch total;
  ASSERT_TRUE(std::regex_search(run.out, total, kBenchLastLine)) << run.out;
  EXPECT_EQ(std::stoull(total[1].str()), sum);
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
