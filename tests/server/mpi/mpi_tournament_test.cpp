// curling-match-mpi under mpirun with three ranks (one coordinator, two
// players, oversubscribed) between scripted fake engines: the same summary
// as the single-machine run, a player rank killed mid-run then --resume (its
// scratch folder removed by the next job), and the test's stop reaching every
// rank.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "server/results/results_database.h"
#include "server/seat/child_process.h"
#include "server/text/shell_words.h"
#include "tests/server/live/raw_http.h"
#include "tests/server/match_program_fixture.h"

namespace {

namespace fs = std::filesystem;
using curling::testing::ProgramRun;

class MpiTournament : public curling::testing::MatchProgramFixture {
 protected:
  void SetUp() override {
    if (std::string(MPIRUN_PATH).empty()) {
      GTEST_SKIP() << "Open MPI is not installed (apt-get install libopenmpi-dev openmpi-bin, "
                      "or scripts/setup.sh): curling-match-mpi was not built";
    }
    MatchProgramFixture::SetUp();
  }

  std::vector<std::string> MpiWords(const std::string& arguments) {
    std::string error;
    const auto words = curling::server::SplitShellWords(
        "--allow-run-as-root --oversubscribe -np 3 " MATCH_MPI_PATH " " + arguments, error);
    EXPECT_TRUE(words) << error;
    return words.value_or(std::vector<std::string>{});
  }

  ProgramRun RunMpi(const std::string& arguments) {
    ProgramRun run = curling::testing::RunProgram(MPIRUN_PATH, MpiWords(arguments));
    run.out += run.errors;
    return run;
  }

  static nlohmann::json Summary(const fs::path& dir) {
    std::ifstream in(dir / "summary.json");
    return nlohmann::json::parse(in, nullptr, false);
  }

  static std::string Out(const fs::path& dir) { return " --out '" + dir.string() + "'"; }
  static std::string Db(const fs::path& file) { return " --db '" + file.string() + "'"; }

  // The games of a results database, a line each: index, pairing, round,
  // pair game, the players' names, the result and the start position.
  static std::string Games(const fs::path& file) {
    std::string error;
    auto db = curling::results::ResultsDatabase::Open(file.string(),
                                                      curling::results::OpenMode::kRead, error);
    if (!db) return error;
    curling::results::Statement s(
        db->connection().handle(),
        "SELECT g.game_index || ' ' || g.pairing || ' ' || g.round || ' ' || g.pair_game || ' ' "
        "|| a.name || ' ' || b.name || ' ' || ifnull(g.winner, '-') || ' ' || g.total0 || ' ' "
        "|| g.total1 || ' ' || g.scenario || ' ' || g.counted FROM games g JOIN players a ON "
        "a.id = g.seat0 JOIN players b ON b.id = g.seat1 ORDER BY g.game_index");
    std::string games;
    while (s.Step())
      games += s.Text(0) + "\n";
    return games;
  }
};

TEST_F(MpiTournament, SameSummaryAsTheSingleMachineRun) {
  const fs::path positions = folder_ / "positions.jsonl";
  std::ofstream(positions) << "{\"name\": \"last two\", \"shot\": 14, \"stones\": [[2.3, 5.2]]}\n"
                           << "{\"name\": \"four to go\", \"shot\": 12}\n";
  const std::string options = "--engine 'name=good cmd=\"" FAKE_ENGINE_PATH
                              " good\"' --engine 'name=slow cmd=\"" FAKE_ENGINE_PATH
                              " slow 2\"' --engine 'name=split cmd=\"" FAKE_ENGINE_PATH
                              " split\"' --games 4 --ends 2 --seed 31 --scenarios '" +
                              positions.string() + "'";
  const ProgramRun local =
      RunMatch(options + " --concurrency 2" + Out(folder_ / "local") + Db(folder_ / "local.db"));
  ASSERT_EQ(local.exit_code, 0) << local.out;
  const ProgramRun mpi =
      RunMpi(options + " --concurrency 2" + Out(folder_ / "mpi") + Db(folder_ / "mpi.db"));
  ASSERT_EQ(mpi.exit_code, 0) << mpi.out;
  // Rank 0 adds every game to the results database as the local runner does.
  EXPECT_EQ(Games(folder_ / "mpi.db"), Games(folder_ / "local.db"));
  EXPECT_NE(Games(folder_ / "mpi.db").find("\n11 2 1 1 split slow "), std::string::npos);
  EXPECT_NE(mpi.out.find("MPI: 2 player ranks, 12 games received"), std::string::npos) << mpi.out;

  EXPECT_EQ(Summary(folder_ / "mpi"), Summary(folder_ / "local"));
  EXPECT_EQ(Summary(folder_ / "mpi")["games"], 12);
  // Every game's folder as a local run leaves it, written by rank 0.
  for (int game = 1; game <= 12; ++game) {
    const fs::path dir = folder_ / "mpi" / fmt::format("game-{:04d}", game);
    for (const char* file : {"game.jsonl", "replay.html", "engine-1.stderr.log"})
      EXPECT_TRUE(fs::exists(dir / file)) << dir / file;
  }
  for (const char* file : {"index.html", "summary.txt", "tournament.json"})
    EXPECT_TRUE(fs::exists(folder_ / "mpi" / file)) << file;

  // Bad options end every rank at once, with the message said once.
  const ProgramRun bad = RunMpi(options + " --sprt 10 0 0.05 0.05" + Out(folder_ / "bad"));
  EXPECT_EQ(bad.exit_code, 2) << bad.out;
  const size_t said = bad.out.find("--sprt tests two engines");
  EXPECT_NE(said, std::string::npos) << bad.out;
  EXPECT_EQ(bad.out.find("--sprt tests two engines", said + 1), std::string::npos) << bad.out;
}

// The pid of `rank` among the children of mpirun `launcher` (one node: the
// ranks are its own children).
pid_t RankPid(pid_t launcher, int rank) {
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    pid_t parent = 0;
    rest >> state >> parent;
    if (parent != launcher) continue;
    std::ifstream environ(entry.path() / "environ");
    std::string variable;
    while (std::getline(environ, variable, '\0')) {
      if (variable == "OMPI_COMM_WORLD_RANK=" + std::to_string(rank)) return std::stoi(name);
    }
  }
  return -1;
}

TEST_F(MpiTournament, KilledRankThenResumeGivesTheFullResult) {
  const std::string options = "--engine 'name=slow cmd=\"" FAKE_ENGINE_PATH
                              " slow 15\"' --engine 'name=good cmd=\"" FAKE_ENGINE_PATH
                              " good\"' --games 12 --ends 1 --seed 21";
  const ProgramRun whole = RunMatch(options + " --concurrency 2" + Out(folder_ / "whole"));
  ASSERT_EQ(whole.exit_code, 0) << whole.out;

  const fs::path broken = folder_ / "broken";
  std::vector<std::string> words = MpiWords(options + Out(broken));
  words.insert(words.begin(), MPIRUN_PATH);
  // The killed rank leaves its scratch folder behind: under the test's own.
  std::vector<std::string> environment;
  for (char** variable = environ; *variable; ++variable) {
    if (std::string(*variable).rfind("TMPDIR=", 0) != 0) environment.push_back(*variable);
  }
  environment.push_back("TMPDIR=" + folder_.string());
  curling::server::ChildProcess job;
  std::string error;
  ASSERT_TRUE(job.Start(words, (folder_ / "broken.log").string(), error, &environment)) << error;
  // Kill player rank 1 once a few games are in and others are under way.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int games = 0;
  while (games < 3 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const nlohmann::json s = Summary(broken);
    if (!s.is_discarded() && s.contains("games")) games = s["games"].get<int>();
  }
  const pid_t rank = RankPid(job.pid(), 1);
  ASSERT_GT(rank, 0);
  kill(rank, SIGKILL);
  ASSERT_TRUE(job.Reap(true));
  EXPECT_FALSE(WIFEXITED(job.wait_status()) && WEXITSTATUS(job.wait_status()) == 0);
  ASSERT_LT(Summary(broken)["games"].get<int>(), 12) << "finished before the kill";

  // The killed job's scratch folders are left behind; the resumed job's
  // ranks remove them as they start (and their own as they end).
  const auto scratch_folders = [&] {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder_))
      n += entry.path().filename().string().rfind("curling-match-", 0) == 0 ? 1 : 0;
    return n;
  };
  EXPECT_GE(scratch_folders(), 1);
  std::vector<std::string> resume = MpiWords("--resume '" + broken.string() + "'");
  resume.insert(resume.begin(), {"TMPDIR=" + folder_.string(), MPIRUN_PATH});
  ProgramRun resumed = curling::testing::RunProgram("/usr/bin/env", resume);
  resumed.out += resumed.errors;
  ASSERT_EQ(resumed.exit_code, 0) << resumed.out;
  EXPECT_NE(resumed.out.find("finished games read back"), std::string::npos) << resumed.out;
  EXPECT_EQ(Summary(broken), Summary(folder_ / "whole"));
  EXPECT_EQ(scratch_folders(), 0);
}

TEST_F(MpiTournament, TheTestsStopReachesEveryRankPromptly) {
  // B crashes in every game (counted as a loss with --recover): the test
  // decides within a few dozen games of the 2000 it may play, while both
  // players have games under way.
  const auto start = std::chrono::steady_clock::now();
  const ProgramRun run =
      RunMpi("--engine 'name=good cmd=\"" FAKE_ENGINE_PATH
             " slow 10\"' --engine 'name=flaky cmd=\"" FAKE_ENGINE_PATH
             " crash 30\"' --recover --ends 4 --sprt 0 50 0.05 0.05 --concurrency 2 --seed 3" +
             Out(folder_ / "sprt"));
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(run.exit_code, 0) << run.out;
  EXPECT_NE(run.out.find("H1 accepted"), std::string::npos) << run.out;
  const nlohmann::json s = Summary(folder_ / "sprt");
  EXPECT_EQ(s["status"], "sprt");
  EXPECT_LT(s["games"].get<int>(), 100);
  EXPECT_EQ(s["games_planned"], 2000);
  // Every rank stopped: mpirun only returns once all have ended.
  EXPECT_LT(took.count(), 60.0);
}

}  // namespace

// --live on rank 0: the event stream carries the record lines of the games
// every player rank plays, while they play them.
TEST_F(MpiTournament, TheLiveViewOnRankZeroShowsTheGamesOfEveryRank) {
  const fs::path out = folder_ / "mpi.out";
  const std::string command =
      std::string(MPIRUN_PATH) +
      " --allow-run-as-root --oversubscribe -np 3 " MATCH_MPI_PATH " --live 0 --no-db --engine '" +
      FAKE_ENGINE_PATH + " slow 40' --engine '" FAKE_ENGINE_PATH " slow 40' --games 2 --ends 1" +
      Out(folder_ / "live") + " > '" + out.string() + "' 2>&1";
  const pid_t launcher = fork();
  if (launcher == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    _exit(127);
  }
  int port = 0;
  for (int i = 0; i < 1000 && port == 0; ++i) {
    std::ifstream in(out);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (const size_t at = text.find("Live view: http://127.0.0.1:"); at != std::string::npos) {
      port = std::stoi(text.substr(at + 28));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_GT(port, 0);
  const std::string stream =
      curling::server::live::Exchange(port, "GET /events HTTP/1.1\r\nHost: x\r\n\r\n", 64 << 20);
  int status = 0;
  waitpid(launcher, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // Two games at once, one on each player rank (each asks for one game at a
  // time), both shown shot by shot, then booked.
  for (int game = 0; game < 2; ++game) {
    const std::string line = "data: {\"game\":" + std::to_string(game) + ",\"at\":";
    size_t shots = 0;
    std::istringstream lines(stream);
    for (std::string text; std::getline(lines, text);)
      shots += text.rfind(line, 0) == 0 && text.find("\"type\":\"shot\"") != std::string::npos;
    EXPECT_GE(shots, 16u) << "game " << game;
  }
  EXPECT_NE(stream.find("event: over"), std::string::npos);
}
