// curling-match as a user runs it: options, exit codes, the output folder,
// the compliance check and the replay of an existing record.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "server/game/game_record.h"
#include "tests/server/match_program_fixture.h"

namespace {

namespace fs = std::filesystem;
using curling::testing::ProgramRun;

class MatchProgram : public curling::testing::MatchProgramFixture {
 protected:
  ProgramRun Match(const std::string& arguments) { return RunMatch(arguments); }

  static std::string Fake(const std::string& mode, int at = 1) {
    return "--engine '" FAKE_ENGINE_PATH " " + mode + " " + std::to_string(at) + "'";
  }
};

TEST_F(MatchProgram, HelpAndEveryUsageErrorExitsTwoWithAMessage) {
  EXPECT_EQ(Match("--help").exit_code, 0);
  std::ofstream(folder_ / "huge.jsonl") << "{\"shot\": 1e400}\n";
  const struct {
    std::string arguments;
    std::string message;  // part of what is printed
  } cases[] = {
      {"--bogus", "--bogus"},
      {"--ends 0", "--ends"},
      {"--games abc", "--games"},
      {"--games 0", "--games"},
      {"--sprt 10 0 0.05 0.05", "elo0 must be smaller than elo1"},
      {"--sprt 0 10 0.05", "--sprt"},
      {"--time -1", "--time"},
      {"--time inf", "--time"},
      {"--time nan", "--time"},
      {"--ready-timeout 1e10", "--ready-timeout"},
      {"--error nan", "--error"},
      {"--seed 18446744073709551616", "--seed"},
      {"--seed -1", "--seed"},
      // Engine settings that make no engine.
      {"--engine 'name=x'", "cmd= is missing"},
      {"--each name=x", "name= belongs to one engine"},
      {"--engine \"'unterminated\"", "--engine"},
      {"--scenarios " + (folder_ / "huge.jsonl").string(), "huge.jsonl:1: not valid JSON"},
      {"--scenarios /dev/zero", "/dev/zero: is not a regular file"},
      // Names and commands are written as JSON text, which holds UTF-8 only.
      {"--games 2 --engine 'name=a\xff cmd=x'", "is not UTF-8 text"},
  };
  for (const auto& c : cases) {
    // Engines that would play a short game, should an option slip through.
    const ProgramRun run = Match(c.arguments + " " + Fake("good") + " " + Fake("good") +
                                 " --ends 1 --out " + (folder_ / "game").string());
    EXPECT_EQ(run.exit_code, 2) << c.arguments << "\n" << run.out;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << c.arguments << "\n" << run.out;
    EXPECT_FALSE(std::filesystem::exists(folder_ / "game")) << c.arguments << ": a game began";
  }
  EXPECT_EQ(Match("--seed 18446744073709551615 --ends 1 " + Fake("good") + " " + Fake("good") +
                  " --out " + (folder_ / "max-seed").string())
                .exit_code,
            0);
}

TEST_F(MatchProgram, GameLeavesRecordPageAndLogsAndExitCodeTellsTheOutcome) {
  const fs::path game = folder_ / "game";
  const ProgramRun ok =
      Match(Fake("good") + " " + Fake("lineends") + " --ends 1 --seed 42 --out " + game.string());
  EXPECT_EQ(ok.exit_code, 0) << ok.out;
  EXPECT_NE(ok.out.find("Seed 42"), std::string::npos) << ok.out;
  EXPECT_NE(ok.out.find("Result: "), std::string::npos) << ok.out;
  for (const char* file :
       {"game.jsonl", "replay.html", "engine-1.stderr.log", "engine-2.stderr.log"}) {
    EXPECT_TRUE(fs::exists(game / file)) << file;
  }
  std::vector<nlohmann::json> lines;
  int skipped = 0;
  std::string error;
  ASSERT_TRUE(
      curling::server::ReadGameRecord((game / "game.jsonl").string(), lines, skipped, error));
  EXPECT_EQ(lines.back()["outcome"], "completed");

  // An engine that crashes loses; the exit code says the game did not complete.
  const ProgramRun crash = Match(Fake("good") + " " + Fake("crash", 2) +
                                 " --ends 1 --time 5 --out " + (folder_ / "crash").string());
  EXPECT_EQ(crash.exit_code, 1) << crash.out;
  EXPECT_NE(crash.out.find("loses by fault (crash)"), std::string::npos) << crash.out;
  ASSERT_TRUE(curling::server::ReadGameRecord((folder_ / "crash" / "game.jsonl").string(), lines,
                                              skipped, error));
  EXPECT_EQ(lines.back()["fault_seat"], 1);
  EXPECT_TRUE(fs::exists(folder_ / "crash" / "replay.html"));

  // A record that cannot be written (a full disk: the full device itself
  // where the record goes, when the tests may make one) is not a clean
  // result; a link to it is not written through at all.
  const fs::path full = folder_ / "full";
  fs::create_directories(full);
  if (mknod((full / "game.jsonl").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
    const ProgramRun no_space =
        Match(Fake("good") + " " + Fake("good") + " --ends 1 --out " + full.string());
    EXPECT_EQ(no_space.exit_code, 2) << no_space.out;
    EXPECT_NE(no_space.out.find("record is incomplete"), std::string::npos) << no_space.out;
    fs::remove(full / "game.jsonl");
  }
  fs::create_symlink("/dev/full", full / "game.jsonl");
  const ProgramRun linked =
      Match(Fake("good") + " " + Fake("good") + " --ends 1 --out " + full.string());
  EXPECT_EQ(linked.exit_code, 2) << linked.out;
  EXPECT_NE(linked.out.find("game.jsonl: is a symbolic link"), std::string::npos) << linked.out;

  // --record-only rebuilds the page from the record, into another folder.
  const fs::path again = folder_ / "again";
  const ProgramRun replay =
      Match("--record-only " + (game / "game.jsonl").string() + " --out " + again.string());
  EXPECT_EQ(replay.exit_code, 0) << replay.out;
  std::ifstream original(game / "replay.html");
  std::ifstream rebuilt(again / "replay.html");
  std::stringstream a, b;
  a << original.rdbuf();
  b << rebuilt.rdbuf();
  EXPECT_EQ(a.str(), b.str());

  // A record cut short by a crash (no result, half a last line) still replays.
  {
    std::ifstream in(game / "game.jsonl");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t result_line = text.rfind("{\"");
    std::ofstream(folder_ / "cut.jsonl") << text.substr(0, result_line - 200);
  }
  const ProgramRun cut = Match("--record-only " + (folder_ / "cut.jsonl").string());
  EXPECT_EQ(cut.exit_code, 0) << cut.out;
  EXPECT_TRUE(fs::exists(folder_ / "replay.html"));

  // A file that is not a record is refused.
  std::ofstream(folder_ / "not-a-record.jsonl") << "hello\n";
  EXPECT_EQ(Match("--record-only " + (folder_ / "not-a-record.jsonl").string()).exit_code, 2);
}

TEST_F(MatchProgram, ComplianceCheckReportsEachStep) {
  const ProgramRun good = Match("--check " + Fake("good") + " --out " + folder_.string());
  EXPECT_EQ(good.exit_code, 0) << good.out;
  EXPECT_EQ(good.out.find("FAIL"), std::string::npos) << good.out;
  for (const char* step : {"isready answered", "GO at shot 0", "GO at shot 5", "GO at shot 14",
                           "GO at shot 15", "ends when its input closes"}) {
    EXPECT_NE(good.out.find(step), std::string::npos) << step << "\n" << good.out;
  }
  EXPECT_NE(good.out.find("ShotNum 44"), std::string::npos) << good.out;

  // Line ends after READYOK are reported; a bad curl flag fails its step.
  const ProgramRun lineends = Match("--check " + Fake("lineends") + " --out " + folder_.string());
  EXPECT_EQ(lineends.exit_code, 1);
  EXPECT_NE(lineends.out.find("FAIL  ISREADY answered by READYOK without a line end: received "
                              "\"READYOK\\x0d\\x0a\""),
            std::string::npos)
      << lineends.out;

  const ProgramRun badcurl = Match("--check " + Fake("badcurl", 2) + " --out " + folder_.string());
  EXPECT_EQ(badcurl.exit_code, 1);
  EXPECT_NE(badcurl.out.find("PASS  GO at shot 0"), std::string::npos) << badcurl.out;
  EXPECT_NE(badcurl.out.find("FAIL  GO at shot 5"), std::string::npos) << badcurl.out;

  const ProgramRun noready =
      Match("--check " + Fake("noready") + " --ready-timeout 0.5 --out " + folder_.string());
  EXPECT_EQ(noready.exit_code, 1);
  EXPECT_NE(noready.out.find("FAIL  ISREADY"), std::string::npos) << noready.out;
}

// The processes that run with `token` among their arguments.
std::vector<pid_t> ProcessesWithArgument(const std::string& token) {
  std::vector<pid_t> pids;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "cmdline");
    std::string args((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (args.find(token) != std::string::npos)
      pids.push_back(std::atoi(entry.path().filename().c_str()));
  }
  return pids;
}

// Starts curling-match with a second engine that stops answering at its
// second GO (and ignores the end of its input), and returns once that engine
// is thinking; `token` marks the engine's command line.
pid_t StartGameWithHangingEngine(const std::string& out, const std::string& token) {
  const std::string hanging = std::string(FAKE_ENGINE_PATH) + " hang 2 " + token;
  const pid_t pid = fork();
  if (pid == 0) {
    const int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, STDOUT_FILENO);
    execl(MATCH_PATH, MATCH_PATH, "--engine", FAKE_ENGINE_PATH, "--engine", hanging.c_str(),
          "--ends", "1", "--out", out.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait until the hanging engine has answered once and then been asked again.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::vector<nlohmann::json> lines;
  while (std::chrono::steady_clock::now() < deadline) {
    int skipped = 0;
    std::string error;
    if (curling::server::ReadGameRecord(out + "/game.jsonl", lines, skipped, error) &&
        lines.size() >= 4) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return pid;
}

TEST_F(MatchProgram, InterruptOrHangupStopsTheGameAndLeavesNoEngineBehind) {
  for (const int signal : {SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    const std::string token = "interrupt-token-" + std::to_string(getpid());
    const std::string out = (folder_ / ("game-" + std::to_string(signal))).string();
    const pid_t pid = StartGameWithHangingEngine(out, token);
    ASSERT_GT(pid, 0);
    ASSERT_FALSE(ProcessesWithArgument(token).empty());
    kill(pid, signal);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_TRUE(ProcessesWithArgument(token).empty());

    std::vector<nlohmann::json> lines;
    int skipped = 0;
    std::string error;
    ASSERT_TRUE(curling::server::ReadGameRecord(out + "/game.jsonl", lines, skipped, error));
    EXPECT_EQ(lines.back()["type"], "result");
    EXPECT_EQ(lines.back()["outcome"], "interrupted");
    EXPECT_TRUE(lines.back()["winner"].is_null());
  }
}

TEST_F(MatchProgram, EnginesDieWithAServerKilledOutright) {
  const std::string token = "kill-token-" + std::to_string(getpid());
  const pid_t pid = StartGameWithHangingEngine((folder_ / "game").string(), token);
  ASSERT_GT(pid, 0);
  ASSERT_FALSE(ProcessesWithArgument(token).empty());
  kill(pid, SIGKILL);
  ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!ProcessesWithArgument(token).empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::vector<pid_t> left = ProcessesWithArgument(token);
  EXPECT_TRUE(left.empty());
  for (const pid_t engine : left)
    kill(engine, SIGKILL);
}

}  // namespace
