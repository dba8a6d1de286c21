// Whole games between two real curling-engines through curling-match.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "server/game_record.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::vector<json> PlayGame(const fs::path& folder, const std::string& options, int& exit_code) {
  const std::string command = std::string(MATCH_PATH) + " " + options + " --out '" +
                              folder.string() + "' > '" + (folder.string() + ".out") +
                              "' 2>&1 < /dev/null";
  const int status = std::system(command.c_str());
  exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::vector<json> lines;
  int skipped = 0;
  std::string error;
  EXPECT_TRUE(
      curling::server::ReadGameRecord((folder / "game.jsonl").string(), lines, skipped, error))
      << error;
  EXPECT_EQ(skipped, 0);
  return lines;
}

// The record without what may differ between two runs (clock and timing).
std::vector<json> WithoutTimes(std::vector<json> lines) {
  for (json& line : lines) {
    line.erase("started");
    line.erase("thinking");
    line.erase("budget_left");
  }
  return lines;
}

TEST(RealEngines, TwoEndGameCompletesAndTheSameSeedReplaysIt) {
  const fs::path folder = fs::temp_directory_path() / ("server-real-" + std::to_string(getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  int first_code = -1;
  int second_code = -1;
  const auto first = PlayGame(folder / "a", "--ends 2 --seed 2024", first_code);
  const auto second = PlayGame(folder / "b", "--ends 2 --seed 2024", second_code);
  ASSERT_EQ(first_code, 0);
  ASSERT_EQ(second_code, 0);

  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.back()["type"], "result");
  EXPECT_EQ(first.back()["outcome"], "completed");
  int shots = 0;
  for (const json& line : first) {
    if (line["type"] != "shot") continue;
    ++shots;
    // Real engines answer the last two stones with the search's texts.
    if (line["shot"].get<int>() >= 14) {
      EXPECT_FALSE(line["shot_num"].is_null());
    }
    // Every delivered stone that moved has a trajectory.
    EXPECT_FALSE(line["trajectories"].empty());
  }
  EXPECT_EQ(shots, 16 * first.back()["ends_played"].get<int>());
  EXPECT_EQ(WithoutTimes(first), WithoutTimes(second));
  EXPECT_TRUE(fs::exists(folder / "a" / "replay.html"));
  fs::remove_all(folder);
}

}  // namespace
