// curling-match with hostile files in its way: links where it writes, records
// that are not the games they claim to be, folders and FIFOs where it reads.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/server/match_program_fixture.h"

namespace {

namespace fs = std::filesystem;
using curling::testing::ProgramRun;

const std::string kEngines =
    "--engine " BASELINE_GREEDY_PATH " --engine 'name=draw cmd=" BASELINE_DRAW_PATH "'";

class HostileFiles : public curling::testing::MatchProgramFixture {
 protected:
  // A finished tournament of two engines, `games` games of 1 end, into `out`.
  void Play(const fs::path& out, int seed, int games = 4) {
    const ProgramRun run =
        RunMatch(kEngines + " --games " + std::to_string(games) + " --ends 1 --seed " +
                 std::to_string(seed) + " --out '" + out.string() + "'");
    ASSERT_EQ(run.exit_code, 0) << run.out;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static nlohmann::json Summary(const fs::path& dir) {
    return nlohmann::json::parse(Read(dir / "summary.json"));
  }
  ProgramRun Resume(const fs::path& dir) { return RunMatch("--resume '" + dir.string() + "'"); }
};

// A link standing where a file is written: refused with its name, and the
// file it points to is left as it was.
TEST_F(HostileFiles, NothingIsWrittenThroughALink) {
  const fs::path t = folder_ / "t";
  Play(t, 3);
  const fs::path outside = folder_ / "outside.txt";
  std::ofstream(outside) << "keep me\n";
  for (const char* name : {"game-0004/game.jsonl", "game-0004/engine-1.stderr.log",
                           "game-0004/replay.html", "index.html", "summary.json", "summary.txt"}) {
    SCOPED_TRACE(name);
    fs::remove(t / "game-0004" / "game.jsonl");  // game 4 is played again
    fs::remove(t / name);
    fs::create_symlink(outside, t / name);
    const ProgramRun run = Resume(t);
    EXPECT_EQ(run.exit_code, 2) << run.out;
    EXPECT_NE(run.out.find((t / name).string() + ": is a symbolic link"), std::string::npos)
        << run.out;
    EXPECT_EQ(Read(outside), "keep me\n");
    fs::remove(t / name);
    Play(t, 3);  // whole again for the next case (the same tournament, once more)
  }
  // A temporary file of a whole write is never one a link stands at either:
  // the write goes to a fresh name beside it.
  fs::create_symlink(outside, t / "summary.json.tmp");
  fs::remove(t / "game-0004" / "game.jsonl");
  EXPECT_EQ(Resume(t).exit_code, 0);
  EXPECT_EQ(Read(outside), "keep me\n");
}

// --resume counts a record only when it is the plan's game and adds up;
// the others are played again, each named with why.
TEST_F(HostileFiles, ResumeReplaysRecordsThatAreNotThePlansGames) {
  const fs::path t = folder_ / "t";
  const fs::path other = folder_ / "other";
  Play(t, 3, 6);
  Play(other, 9);
  const nlohmann::json clean = Summary(t);
  const auto record = [&](int game) {
    return t / ("game-000" + std::to_string(game)) / "game.jsonl";
  };

  // Game 1 from another tournament (another seed), game 2 without its
  // header, game 3 with an impossible result, game 4 with ends that do not
  // add up to its result, game 5 with a number where its outcome's name
  // belongs.
  fs::copy_file(other / "game-0001" / "game.jsonl", record(1),
                fs::copy_options::overwrite_existing);
  {
    std::string text = Read(record(2));
    text.erase(0, text.find('\n') + 1);
    std::ofstream(record(2), std::ios::trunc) << text;
  }
  for (int game : {3, 4, 5}) {
    std::istringstream in(Read(record(game)));
    std::string text;
    for (std::string line; std::getline(in, line);) {
      nlohmann::json j = nlohmann::json::parse(line);
      if (j["type"] == "result") {
        if (game == 3) {
          j["total"] = {99, -5};
        } else if (game == 5) {
          j["outcome"] = 5;
        } else {
          const int seat = j["winner"].is_null() ? 0 : j["winner"].get<int>();
          j["total"][seat] = j["total"][seat].get<int>() + 1;
          j["winner"] = seat;
        }
      }
      text += j.dump() + "\n";
    }
    std::ofstream(record(game), std::ios::trunc) << text;
  }
  const ProgramRun run = Resume(t);
  ASSERT_EQ(run.exit_code, 0) << run.out;
  for (int game = 1; game <= 5; ++game) {
    EXPECT_NE(run.out.find("not counted, played again: " + record(game).string()),
              std::string::npos)
        << game << "\n"
        << run.out;
  }
  EXPECT_NE(run.out.find("does not match the plan's seed"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("no header"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("negative total"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("not the sum of its ends"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("unknown outcome"), std::string::npos) << run.out;
  EXPECT_EQ(Summary(t), clean);
  // Played again, each now counts at once.
  const ProgramRun again = Resume(t);
  EXPECT_EQ(again.exit_code, 0) << again.out;
  EXPECT_EQ(again.out.find("not counted"), std::string::npos) << again.out;
}

// A folder, a FIFO or /proc/self where a file is read: "FILE: why", exit 2,
// never a crash or a wait.
TEST_F(HostileFiles, FoldersAndFifosWhereFilesAreReadAreRefused) {
  const fs::path fifo = folder_ / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const fs::path& scenarios : {folder_, fifo, fs::path("/proc/self")}) {
    const ProgramRun run =
        RunMatch(kEngines + " --games 2 --ends 1 --scenarios '" + scenarios.string() + "' --out '" +
                 (folder_ / "s").string() + "'");
    EXPECT_EQ(run.exit_code, 2) << run.out;
    EXPECT_NE(run.out.find("--scenarios: " + scenarios.string() + ": is "), std::string::npos)
        << run.out;
  }
  const ProgramRun page = RunMatch("--record-only '" + fifo.string() + "'");
  EXPECT_EQ(page.exit_code, 2) << page.out;
  EXPECT_NE(page.out.find(fifo.string() + ": is not a regular file"), std::string::npos)
      << page.out;

  const fs::path t = folder_ / "t";
  Play(t, 3);
  for (const char* name : {"tournament.json", "game-0002/game.jsonl"}) {
    SCOPED_TRACE(name);
    const fs::path moved = folder_ / "moved";
    fs::rename(t / name, moved);
    fs::create_directory(t / name);
    ProgramRun run = Resume(t);
    EXPECT_EQ(run.exit_code, 2) << run.out;
    EXPECT_NE(run.out.find((t / name).string() + ": is a folder"), std::string::npos) << run.out;
    fs::remove(t / name);
    ASSERT_EQ(mkfifo((t / name).c_str(), 0600), 0);
    run = Resume(t);
    EXPECT_EQ(run.exit_code, 2) << run.out;
    EXPECT_NE(run.out.find((t / name).string() + ": is not a regular file"), std::string::npos)
        << run.out;
    fs::remove(t / name);
    fs::rename(moved, t / name);
  }
}

TEST_F(HostileFiles, ResumeRefusesAnotherOutputFolder) {
  const fs::path t = folder_ / "t";
  Play(t, 3);
  const ProgramRun run =
      RunMatch("--resume '" + t.string() + "' --out '" + (folder_ / "new").string() + "'");
  EXPECT_EQ(run.exit_code, 2) << run.out;
  EXPECT_NE(run.out.find("--out cannot be used with --resume"), std::string::npos) << run.out;
  EXPECT_FALSE(fs::exists(folder_ / "new"));
}

}  // namespace
