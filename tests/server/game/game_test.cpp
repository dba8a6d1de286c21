// Whole games between scripted fake engines, refereed with a stand-in
// physics: every way an engine can fail ends the game with the right result,
// the record stays intact, and no engine process is left behind.
#include "server/game/game.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "server/game/game_record.h"
#include "server/game/scoreboard.h"
#include "server/seat/deadline.h"
#include "tests/server/fake_physics.h"
#include "tests/support/temp_folder.h"

namespace curling::server {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Played {
  GameResult result;
  std::vector<json> lines;
  std::string scoreboard;
};

class GameTest : public curling::testing::TempFolderTest {
 protected:
  GameConfig Config(const std::vector<std::string>& first, const std::vector<std::string>& second,
                    int ends = 1) {
    GameConfig config;
    config.engines[0] = {"first", first, (folder_ / "engine-1.log").string()};
    config.engines[1] = {"second", second, (folder_ / "engine-2.log").string()};
    config.rules.ends = ends;
    config.rules.time_budget = 5;
    config.rules.ready_timeout = 1.5;
    config.seed = 7;
    return config;
  }

  Played Play(const GameConfig& config) {
    const std::string path = (folder_ / "game.jsonl").string();
    Played played;
    {
      GameRecordWriter writer(path);
      std::ostringstream board;
      Scoreboard scoreboard(board, false);
      Game game(config, testing::FakePlayShot);
      game.AddObserver(&writer);
      game.AddObserver(&scoreboard);
      played.result = game.Play();
      played.scoreboard = board.str();
    }
    int skipped = 0;
    std::string error;
    EXPECT_TRUE(ReadGameRecord(path, played.lines, skipped, error)) << error;
    EXPECT_EQ(skipped, 0) << "every record line parses";
    // No engine is left running or unreaped.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    return played;
  }

  static std::vector<std::string> Fake(const std::string& mode, int at = 1) {
    return {FAKE_ENGINE_PATH, mode, std::to_string(at)};
  }

  static int Count(const std::vector<json>& lines, const std::string& type) {
    int n = 0;
    for (const json& line : lines)
      n += line["type"] == type;
    return n;
  }
};

TEST_F(GameTest, CompleteGameIsRecordedShotByShot) {
  const Played played = Play(Config(Fake("good"), Fake("lineends"), 2));
  const GameResult& result = played.result;
  EXPECT_EQ(result.outcome, GameOutcome::kCompleted);
  EXPECT_GE(result.ends_played, 2);
  EXPECT_EQ(result.fault_seat, -1);

  const auto& lines = played.lines;
  ASSERT_GE(lines.size(), 1u + 32 + 2 + 1);
  EXPECT_EQ(lines.front()["type"], "header");
  EXPECT_EQ(lines.front()["seed"], 7);
  EXPECT_EQ(lines.front()["rules"]["ends"], 2);
  EXPECT_EQ(lines.back()["type"], "result");
  EXPECT_EQ(lines.back()["outcome"], "completed");
  EXPECT_EQ(Count(lines, "shot"), 16 * result.ends_played);
  EXPECT_EQ(Count(lines, "end"), result.ends_played);

  // Shot lines: numbering, alternating seats, texts of the last two stones,
  // and the position after one shot is the position before the next.
  const json* previous = nullptr;
  for (const json& line : lines) {
    if (line["type"] != "shot") continue;
    const int shot = line["shot"];
    EXPECT_EQ(line["before"].size(), 32u);
    EXPECT_EQ(line["after"].size(), 32u);
    if (shot >= 14) {
      EXPECT_EQ(line["shot_num"], 30 + shot);
      EXPECT_DOUBLE_EQ(line["mean_score"].get<double>(), 0.25);
    } else {
      EXPECT_TRUE(line["shot_num"].is_null());
    }
    if (previous != nullptr && shot > 0) {
      EXPECT_EQ(line["before"], (*previous)["after"]);
      EXPECT_NE(line["seat"], (*previous)["seat"]);
    }
    if (shot == 0) {
      for (const json& v : line["before"])
        EXPECT_EQ(v, 0);
    }
    EXPECT_FALSE(line["trajectories"].empty());
    previous = &line;
  }

  // The totals of the result are the sum of the end lines.
  std::array<int, 2> total{};
  for (const json& line : lines) {
    if (line["type"] == "end" && !line["scoring_seat"].is_null()) {
      total[line["scoring_seat"].get<int>()] += line["points"].get<int>();
    }
  }
  EXPECT_EQ(total, result.total);
  EXPECT_NE(played.scoreboard.find("Result: "), std::string::npos);
}

TEST_F(GameTest, SameSeedSameGameOtherSeedOtherGame) {
  GameConfig config = Config(Fake("good"), Fake("split"), 1);
  const Played a = Play(config);
  const Played b = Play(config);
  config.seed = 8;
  const Played c = Play(config);
  auto shots = [](const Played& p) {
    std::vector<json> out;
    for (const json& line : p.lines) {
      if (line["type"] == "shot") out.push_back(line["after"]);
    }
    return out;
  };
  EXPECT_EQ(shots(a), shots(b));
  EXPECT_NE(shots(a), shots(c));
  EXPECT_EQ(a.result.total, b.result.total);
}

TEST_F(GameTest, EachEngineFaultLosesTheGameForThatEngine) {
  struct Case {
    std::string mode;
    int at;
    FaultKind kind;
    std::string reason_part;
  };
  const Case cases[] = {
      {"crash", 3, FaultKind::kCrash, "signal 6"},
      {"exit", 2, FaultKind::kCrash, "exited with code 0"},
      {"garbage", 1, FaultKind::kProtocol, "I think"},
      {"nonfinite", 2, FaultKind::kProtocol, "non-finite"},
      {"badcurl", 1, FaultKind::kProtocol, "curl flag"},
      {"hang", 4, FaultKind::kTime, "budget"},
      {"stall", 1, FaultKind::kStalled, "stopped reading"},
      {"flood", 1, FaultKind::kProtocol, "64 KiB"},
      // Gone by the time the server writes to it: the write is its fault.
      {"quit", 1, FaultKind::kCrash, "sending "},
      {"noready", 1, FaultKind::kNotReady, "READYOK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    // The faulty engine in the second seat; it throws the odd shots.
    GameConfig config = Config(Fake("good"), Fake(c.mode, c.at), 1);
    config.rules.time_budget = 1;
    const Played played = Play(config);
    const GameResult& result = played.result;
    EXPECT_EQ(result.outcome, GameOutcome::kFault);
    EXPECT_EQ(result.fault_seat, 1);
    EXPECT_EQ(result.winner, 0);
    EXPECT_EQ(result.fault.kind, c.kind) << result.fault.reason;
    EXPECT_NE(result.reason.find(c.reason_part), std::string::npos) << result.reason;

    const auto& lines = played.lines;
    EXPECT_EQ(lines.back()["type"], "result");
    EXPECT_EQ(lines.back()["outcome"], "fault");
    EXPECT_EQ(lines.back()["fault_seat"], 1);
    // Every shot the faulty engine answered before its fault is recorded.
    const int expected_shots =
        c.mode == "noready" ? 0
                            : 2 * (c.at - 1) + 1 + (c.mode == "stall" || c.mode == "quit" ? 2 : 0);
    EXPECT_EQ(Count(lines, "shot"), expected_shots);
  }
}

TEST_F(GameTest, EnginesThatCannotStartOrAreMissingLoseCleanly) {
  const Played missing = Play(Config({"/nonexistent/engine"}, Fake("good")));
  EXPECT_EQ(missing.result.outcome, GameOutcome::kFault);
  EXPECT_EQ(missing.result.fault_seat, 0);
  EXPECT_EQ(missing.result.fault.kind, FaultKind::kStart);
  EXPECT_EQ(missing.lines.back()["type"], "result");

  // Time budget spent over several shots, not in one: an engine that thinks
  // 0.4 s per shot with a 1 s budget loses at its third shot.
  GameConfig config = Config(Fake("good"), Fake("slow", 400), 1);
  config.rules.time_budget = 1;
  const Played slow = Play(config);
  EXPECT_EQ(slow.result.outcome, GameOutcome::kFault);
  EXPECT_EQ(slow.result.fault.kind, FaultKind::kTime);
  EXPECT_EQ(Count(slow.lines, "shot"), 5);  // its shots 1 and 3 were in time
  EXPECT_GT(slow.result.thinking_seconds[1], 0.75);
}

// Counts the shots a game got to.
struct ShotCounter : GameObserver {
  int shots = 0;
  void OnShot(const ShotRecord&) override { ++shots; }
};

TEST_F(GameTest, ARecordThatCannotBeWrittenStopsTheGameAtOnce) {
  GameRecordWriter writer("/dev/full");
  ASSERT_TRUE(writer.ok());
  ShotCounter counter;
  Game game(Config(Fake("good"), Fake("good")), testing::FakePlayShot);
  game.AddObserver(&writer);
  game.AddObserver(&counter);
  const GameResult result = game.Play();
  EXPECT_FALSE(writer.ok());
  EXPECT_EQ(counter.shots, 0);
  EXPECT_EQ(result.outcome, GameOutcome::kInterrupted);
  EXPECT_NE(result.reason.find("No space left on device"), std::string::npos) << result.reason;
}

TEST_F(GameTest, ARecordCutByAFullDiskEndsWithAWholeLine) {
  // The file size limit makes writes stop part-way, as a disk filling up does.
  const fs::path path = folder_ / "game.jsonl";
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    GameRecordWriter writer(path.string());
    GameResult result;
    result.reason = std::string(150, 'r');
    for (int i = 0; i < 10; ++i)
      writer.OnResult(result);
    _exit(writer.ok() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1) << "the writer saw the failure";
  std::ifstream in(path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(text.empty());
  EXPECT_LT(text.size(), 1000u);
  EXPECT_EQ(text.back(), '\n');
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    EXPECT_FALSE(json::parse(line, nullptr, false).is_discarded()) << line;
}

TEST_F(GameTest, HugeDurationsNeitherOverflowNorFaultEngines) {
  GameConfig config = Config(Fake("good"), Fake("good"));
  config.rules.ready_timeout = 1e10;
  config.rules.time_budget = 1e300;
  const Played played = Play(config);
  EXPECT_EQ(played.result.outcome, GameOutcome::kCompleted) << played.result.reason;

  const auto now = Clock::now();
  const auto thirty_years = std::chrono::hours(24 * 365 * 30);
  EXPECT_GT(DeadlineAfter(now, MillisecondsFrom(1e300)), now + thirty_years);
  EXPECT_GT(DeadlineAfter(now, MillisecondsFrom(INFINITY)), now + thirty_years);
  EXPECT_EQ(DeadlineAfter(now, std::chrono::milliseconds::max()), Clock::time_point::max());
  EXPECT_EQ(DeadlineAfter(now, MillisecondsFrom(NAN)), now);
  EXPECT_EQ(DeadlineAfter(now, MillisecondsFrom(-5)), now);
  EXPECT_EQ(DeadlineAfter(now, MillisecondsFrom(0.0101)), now + std::chrono::milliseconds(11));
}

TEST_F(GameTest, AnEngineLogIsCappedAndSaysSo) {
  const Played played = Play(Config(Fake("good"), Fake("stderr", 2)));
  EXPECT_EQ(played.result.outcome, GameOutcome::kCompleted) << played.result.reason;
  std::ifstream in(folder_ / "engine-2.log");
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string note =
      "\n[curling-match: the engine's standard error beyond 16 MiB was dropped]\n";
  ASSERT_EQ(log.size(), ChildProcess::kMaxLogBytes + note.size());
  EXPECT_EQ(log.substr(ChildProcess::kMaxLogBytes), note);
}

TEST_F(GameTest, EveryGoFollowsTheScoreAndBothBudgetsSeenFromTheEngine) {
  const Played played = Play(Config(Fake("log"), Fake("log"), 2));
  ASSERT_EQ(played.result.outcome, GameOutcome::kCompleted);
  // Game totals before each end, from the record.
  std::vector<std::array<int, 2>> before_end{{0, 0}};
  for (const json& line : played.lines) {
    if (line["type"] == "end") before_end.push_back(line["total"]);
  }
  for (int seat = 0; seat < 2; ++seat) {
    std::ifstream log(folder_ / ("engine-" + std::to_string(seat + 1) + ".log"));
    std::vector<std::string> commands;
    for (std::string line; std::getline(log, line);)
      commands.push_back(line);
    int goes = 0;
    double previous_own = 5.0;
    for (size_t i = 0; i < commands.size(); ++i) {
      if (commands[i] != "GO") continue;
      ++goes;
      ASSERT_GE(i, 4u);
      int shot = 0, end = 0, last = 0, side = 0;
      ASSERT_EQ(
          std::sscanf(commands[i - 3].c_str(), "SETSTATE %d %d %d %d", &shot, &end, &last, &side),
          4)
          << commands[i - 3];
      EXPECT_EQ(side, seat);
      const std::array<int, 2>& total = before_end.at(static_cast<size_t>(end));
      EXPECT_EQ(commands[i - 2],
                "SCORE " + std::to_string(total[seat]) + " " + std::to_string(total[1 - seat]));
      double own = 0.0, other = 0.0;
      ASSERT_EQ(std::sscanf(commands[i - 1].c_str(), "TIME %lf %lf", &own, &other), 2)
          << commands[i - 1];
      EXPECT_LE(own, previous_own);
      EXPECT_GT(own, 0.0);
      EXPECT_LE(other, 5.0);
      previous_own = own;
    }
    EXPECT_EQ(goes, 8 * played.result.ends_played);
  }
}

}  // namespace
}  // namespace curling::server
