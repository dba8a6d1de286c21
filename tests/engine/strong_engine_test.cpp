// curling-engine --strong as a process: its options and its side
// of the protocol (SCORE, TIME, replies of BESTSHOT only, --samples replies
// that repeat exactly on any number of threads).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "curling_simulator/version.h"
#include "eval/value_network.h"
#include "tests/engine/engine_copy.h"
#include "tests/support/child_program.h"

namespace curling::testing {
namespace {

const std::string kBestShot = R"(BESTSHOT -?[0-9]+\.[0-9]{6} -?[0-9]+\.[0-9]{6} [01])";

TEST(StrongEngineTest, BadOptionsSayWhatIsWrongAndExitTwo) {
  struct Case {
    std::vector<std::string> arguments;
    const char* message;
  };
  const Case cases[] = {
      {{"--strong", "--threads", "0"}, "--threads: '0' is not"},
      {{"--strong", "--threads=two"}, "--threads: 'two' is not"},
      {{"--strong", "--threads", "257"}, "--threads: '257' is not"},
      {{"--strong", "--shot-time", "-1"}, "--shot-time: '-1' is not"},
      {{"--strong", "--shot-time=inf"}, "--shot-time: 'inf' is not"},
      {{"--strong", "--shot-time", "0x1p3"}, "--shot-time: '0x1p3' is not"},
      {{"--strong", "--samples", "1.5"}, "--samples: '1.5' is not"},
      {{"--strong", "--samples", "0"}, "--samples: '0' is not"},
      {{"--strong", "--seed", "-3"}, "--seed: '-3' is not"},
      {{"--strong", "--seed"}, "--seed needs a value"},
      {{"--threads", "2"}, "--threads applies only with --strong"},
      {{"--strong", "--shot-time", "1", "--samples", "10"}, "exclude each other"},
      {{"--strong", "--fast"}, "unknown argument '--fast'"},
      {{"bench", "--threads", "2"}, "bench takes no other arguments but --strong"},
      {{"--strong", "--shot-time", "1", "bench"}, "give --samples, not --shot-time"},
      {{"--strong", "--search", "fast"}, "--search: 'fast' is not"},
      {{"--strong", "--search", "rollout", "--model=net.bin"}, "--model applies only to the value"},
      {{"--search", "value"}, "--search applies only with --strong"},
  };
  EngineCopy alone;  // no library: a program that got as far as loading it would exit 1
  EXPECT_EQ(RunProgram(alone.Engine(), {"--help"}).exit_code, 0);
  const ProgramRun version = RunProgram(alone.Engine(), {"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out, "curling-engine " CURLING_SIMULATOR_VERSION "\n");
  for (const Case& c : cases) {
    const ProgramRun run = RunProgram(alone.Engine(), c.arguments, "ISREADY\n");
    EXPECT_EQ(run.exit_code, 2) << c.message;
    EXPECT_EQ(run.out, "") << c.message;
    EXPECT_TRUE(run.errors.starts_with("curling-engine: ")) << run.errors;
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("\nusage: curling-engine"), std::string::npos) << run.errors;
  }
}

// The search's line on standard error for each GO.
std::vector<std::smatch> SearchLines(const std::string& errors) {
  static const std::regex line(R"(strong: end (\d+) shot (\d+) lead (-?\d+) ends-left (\d+) )"
                               R"(plan ([0-9.]+) s: .*\n)");
  std::vector<std::smatch> lines;
  for (auto it = std::sregex_iterator(errors.begin(), errors.end(), line);
       it != std::sregex_iterator(); ++it) {
    lines.push_back(*it);
  }
  return lines;
}

TEST(StrongEngineTest, ScoreAndTimeReachTheSearchAndOnlyBestShotIsWritten) {
  const ProgramRun run = RunProgram(CURLING_ENGINE_PATH, {"--strong", "--threads", "1"},
                                    "NEWGAME\nISREADY\n"
                                    "SCORE 5 3\nTIME 1.0 0.5\nSETSTATE 3 2 7 1\nGO\n"
                                    "SETSTATE 14 9 9 0\nscore -1 2 extra words\nGO\n"
                                    "NEWGAME\nSETSTATE 15 0 7 0\nTIME 0 12\nGO\nISREADY\n");
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_TRUE(std::regex_match(run.out, std::regex("READYOK(" + kBestShot + "){3}READYOK")))
      << run.out;
  const std::vector<std::smatch> lines = SearchLines(run.errors);
  ASSERT_EQ(lines.size(), 3u) << run.errors;
  // Seen from this engine: two up with five ends to go after this one.
  EXPECT_EQ(lines[0][3], "2");
  EXPECT_EQ(lines[0][4], "5");
  // A quarter of the second left at most, after a margin for the answer.
  EXPECT_LE(std::stod(lines[0][5]), 0.2);
  EXPECT_GT(std::stod(lines[0][5]), 0.0);
  // Commands are case-blind; an extra end leaves no end after it; without a
  // new TIME the budget is what is left of the last one.
  EXPECT_EQ(lines[1][3], "-3");
  EXPECT_EQ(lines[1][4], "0");
  EXPECT_LE(std::stod(lines[1][5]), 0.2);
  // NEWGAME forgets the score; a spent budget gets an immediate answer.
  EXPECT_EQ(lines[2][3], "0");
  EXPECT_EQ(std::stod(lines[2][5]), 0.0);
}

// Budgets that are not finite numbers all count as none (the --shot-time
// then), a negative one as spent; every GO still gets a legal reply.
TEST(StrongEngineTest, UnreadableBudgetsAreNoneAndSpentOnesAnsweredAtOnce) {
  const ProgramRun run =
      RunProgram(CURLING_ENGINE_PATH, {"--strong", "--threads", "2", "--shot-time", "0.01"},
                 "NEWGAME\nSETSTATE 4 0 7 0\n"
                 "TIME inf 1\nGO\nTIME 1e39 1\nGO\nTIME nan 1\nGO\n"
                 "TIME -2 1\nGO\nTIME 0 0\nGO\n");
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_TRUE(std::regex_match(run.out, std::regex("(" + kBestShot + "){5}"))) << run.out;
  const std::vector<std::smatch> lines = SearchLines(run.errors);
  ASSERT_EQ(lines.size(), 5u) << run.errors;
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(std::stod(lines[i][5]), 0.01) << lines[i].str();
  for (int i = 3; i < 5; ++i) {
    EXPECT_EQ(std::stod(lines[i][5]), 0.0) << lines[i].str();
    EXPECT_NE(lines[i].str().find(" 0 rollouts"), std::string::npos) << lines[i].str();
  }
}

TEST(StrongEngineTest, SamplesGiveTheSameRepliesOnRepeatAndOnOneOrTwoThreads) {
  const std::string input =
      "NEWGAME\nSETSTATE 0 0 7 0\nGO\n"
      "POSITION 2.4 7.1 2.2 4.7 2.9 5.4 0 0 1.7 4.4 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n"
      "SETSTATE 6 3 7 0\nSCORE 2 3\nGO\n"
      "SETSTATE 15 7 7 1\nSCORE 4 4\nGO\n";
  auto replies = [&input](const char* threads) {
    const ProgramRun run =
        RunProgram(CURLING_ENGINE_PATH,
                   {"--strong", "--samples", "300", "--seed", "9", "--threads", threads}, input);
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    EXPECT_TRUE(std::regex_match(run.out, std::regex("(" + kBestShot + "){3}"))) << run.out;
    return run.out;
  };
  const std::string one = replies("1");
  EXPECT_EQ(replies("1"), one);
  EXPECT_EQ(replies("2"), one);
}

// A weight file of the network's shape with small weights that still tell
// positions apart, in a folder of its own.
class WeightFile {
 public:
  // A folder of this process's own: ctest runs the tests that use one at once.
  WeightFile()
      : dir_(std::filesystem::temp_directory_path() /
             ("strong_engine_test_net-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(dir_);
    DenseLayer layer{kFeatureCount, kEndResultCount, {}, std::vector<float>(kEndResultCount)};
    for (int i = 0; i < kFeatureCount * kEndResultCount; ++i)
      layer.weights.push_back(static_cast<float>((i * 7919) % 13 - 6) / 10.0f);
    bytes_ = ValueNetwork::Serialize({layer});
    Write("net.bin", bytes_);
  }
  ~WeightFile() { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::filesystem::path dir_;
  std::vector<uint8_t> bytes_;
};

TEST(StrongEngineTest, AMissingOrDamagedWeightFileStopsTheValueSearchAtStart) {
  const WeightFile net;
  std::vector<uint8_t> truncated(net.bytes().begin(), net.bytes().end() - 100);
  std::vector<uint8_t> corrupt = net.bytes();
  corrupt[100] ^= 0x01;
  struct Case {
    std::string path;
    const char* message;
  };
  const Case cases[] = {
      {net.Path("missing.bin"), "missing.bin: cannot be opened"},
      {net.Write("truncated.bin", truncated), "truncated.bin: truncated"},
      {net.Write("corrupt.bin", corrupt), "corrupt.bin: checksum mismatch"},
      {net.Write("empty.bin", {}), "empty.bin: not a value network file"},
  };
  for (const Case& c : cases) {
    const ProgramRun run =
        RunProgram(CURLING_ENGINE_PATH, {"--strong", "--search", "value", "--model", c.path},
                   "ISREADY\nSETSTATE 3 2 7 1\nGO\n");
    EXPECT_EQ(run.exit_code, 2) << c.message;
    EXPECT_EQ(run.out, "") << c.message;
    EXPECT_TRUE(run.errors.starts_with("curling-engine: value network: ")) << run.errors;
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
  }
}

TEST(StrongEngineTest, ValueSearchSamplesGiveTheSameRepliesOnOneOrTwoThreads) {
  const WeightFile net;
  const std::string input =
      "NEWGAME\nSETSTATE 0 0 7 0\nGO\n"
      "POSITION 2.4 7.1 2.2 4.7 2.9 5.4 0 0 1.7 4.4 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n"
      "SETSTATE 6 3 7 0\nSCORE 2 3\nGO\n"
      "SETSTATE 15 7 7 1\nSCORE 4 4\nGO\n";
  auto replies = [&input](std::vector<std::string> arguments, const char* threads) {
    arguments.insert(arguments.end(), {"--samples", "400", "--seed", "3", "--threads", threads});
    const ProgramRun run = RunProgram(CURLING_ENGINE_PATH, arguments, input);
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    EXPECT_TRUE(std::regex_match(run.out, std::regex("(" + kBestShot + "){3}"))) << run.out;
    return run.out;
  };
  const std::vector<std::string> built_in = {"--strong", "--search", "value"};
  const std::vector<std::string> from_file = {"--strong", "--search=value", "--model",
                                              net.Path("net.bin")};
  for (const std::vector<std::string>& arguments : {built_in, from_file}) {
    const std::string one = replies(arguments, "1");
    EXPECT_EQ(replies(arguments, "1"), one);
    EXPECT_EQ(replies(arguments, "2"), one);
  }
  // The plain --strong is the value search; the rollout search is reproducible too.
  EXPECT_EQ(replies({"--strong"}, "2"), replies(built_in, "1"));
  const std::vector<std::string> rollout = {"--strong", "--search", "rollout"};
  EXPECT_EQ(replies(rollout, "2"), replies(rollout, "1"));
}

// The strong bench: a line per bench position, the replies' fingerprint and
// the speed, with replies that are the same on one and two threads.
TEST(StrongEngineTest, StrongBenchRepeatsItsRepliesOnAnyThreadCount) {
  static const std::regex last(R"(replies ([0-9a-f]{16})\nbench: ([0-9]+) simulations, [0-9]+ )"
                               R"(cpu ms, [0-9]+ simulations per cpu second\n$)");
  auto bench = [](const std::vector<std::string>& search, const char* threads) {
    std::vector<std::string> arguments = {"--strong", "--samples", "200", "--threads", threads};
    arguments.insert(arguments.end(), search.begin(), search.end());
    arguments.push_back("bench");
    const ProgramRun run = RunProgram(CURLING_ENGINE_PATH, arguments);
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    std::smatch m;
    EXPECT_TRUE(std::regex_search(run.out, m, last)) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 13) << run.out;
    // The replies and their fingerprint; the times differ from run to run.
    return std::regex_replace(run.out, std::regex(R"( +[0-9.]+ cpu ms|bench: .*\n)"), "");
  };
  for (const std::vector<std::string>& search :
       {std::vector<std::string>{}, std::vector<std::string>{"--search", "rollout"}}) {
    EXPECT_EQ(bench(search, "2"), bench(search, "1"));
  }
}

}  // namespace
}  // namespace curling::testing
