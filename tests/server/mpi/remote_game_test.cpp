// A game on its way from the rank that played it to the one that keeps the
// tournament's folder: what arrives is what was played, byte for byte, and
// a damaged or hostile message is refused before anything is written.
#include "server/mpi/remote_game.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "server/game/game_record.h"
#include "tests/support/temp_folder.h"

namespace curling::server {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RemoteGameTest : public testing::TempFolderTest {
 protected:
  // A played game's folder: its record (with a byte that is no UTF-8) and
  // two logs, the second longer than a log may travel.
  FinishedGame PlayedGame(const fs::path& folder) {
    fs::create_directories(folder);
    FinishedGame game;
    game.index = 6;
    game.result.winner = 1;
    game.result.total = {2, 5};
    game.result.ends_played = 8;
    game.result.reason = "B wins 5-2";
    record_ = "{\"type\":\"header\",\"engines\":[]}\n{\"type\":\"shot\",\"texts\":\"\xff\"}\n" +
              ResultJson(game.result).dump() + "\n";
    std::ofstream(folder / "game.jsonl", std::ios::binary) << record_;
    std::ofstream(folder / "engine-1.stderr.log", std::ios::binary) << std::string("a\0b", 3);
    std::ofstream(folder / "engine-2.stderr.log") << std::string(kMaxTravellingLog + 10, 'x');
    return game;
  }

  std::string record_;
};

TEST_F(RemoteGameTest, ArrivesAsPlayedWithItsFilesAndReplayPage) {
  const FinishedGame game = PlayedGame(folder_ / "scratch" / "game-0007");
  std::string error;
  const std::string packed = PackGame(game, folder_ / "scratch" / "game-0007", error);
  ASSERT_FALSE(packed.empty()) << error;

  const auto remote = UnpackGame(packed, 10, error);
  ASSERT_TRUE(remote) << error;
  EXPECT_EQ(remote->game.index, 6);
  EXPECT_EQ(remote->game.result.winner, 1);
  EXPECT_EQ(remote->game.result.reason, "B wins 5-2");
  ASSERT_EQ(StoreGame(*remote, folder_ / "out"), "");

  const fs::path stored = folder_ / "out" / "game-0007";
  EXPECT_EQ(Slurp(stored / "game.jsonl"), record_);
  EXPECT_EQ(Slurp(stored / "engine-1.stderr.log"), std::string("a\0b", 3));
  const std::string cut = Slurp(stored / "engine-2.stderr.log");
  EXPECT_EQ(cut.substr(0, kMaxTravellingLog), std::string(kMaxTravellingLog, 'x'));
  EXPECT_NE(cut.find("cut short"), std::string::npos);
  EXPECT_TRUE(fs::exists(stored / "replay.html"));  // built here: none came
  EXPECT_FALSE(fs::exists(stored / "game.jsonl.part"));

  // A page the player built travels whole, however long, and is kept.
  const std::string page(kMaxTravellingLog + 5, 'p');
  std::ofstream(folder_ / "scratch" / "game-0007" / "replay.html") << page;
  const auto with_page =
      UnpackGame(PackGame(game, folder_ / "scratch" / "game-0007", error), 10, error);
  ASSERT_TRUE(with_page) << error;
  ASSERT_EQ(StoreGame(*with_page, folder_ / "out"), "");
  EXPECT_EQ(Slurp(stored / "replay.html"), page);
}

TEST_F(RemoteGameTest, DamagedOrHostileMessagesAreRefused) {
  const FinishedGame game = PlayedGame(folder_ / "scratch");
  std::string error;
  const std::string packed = PackGame(game, folder_ / "scratch", error);
  ASSERT_FALSE(packed.empty()) << error;

  // A part that claims more bytes than arrived, or a message cut short.
  EXPECT_FALSE(UnpackGame(packed.substr(0, packed.size() - 1), 10, error));
  EXPECT_FALSE(UnpackGame(packed.substr(0, 5), 10, error));
  EXPECT_FALSE(UnpackGame("", 10, error));
  // A game the tournament does not have.
  EXPECT_FALSE(UnpackGame(packed, 6, error));
  EXPECT_NE(error.find("game 7"), std::string::npos) << error;

  // File names that would land outside the game's folder, or hide in it.
  const auto part = [](const std::string& bytes) {
    std::string out;
    uint64_t n = bytes.size();
    for (int i = 0; i < 8; ++i, n >>= 8)
      out.push_back(static_cast<char>(n & 0xff));
    return out + bytes;
  };
  uint64_t head_size = 0;
  for (int i = 7; i >= 0; --i)
    head_size = (head_size << 8) | static_cast<unsigned char>(packed[static_cast<size_t>(i)]);
  const std::string head = packed.substr(0, 8 + head_size);
  for (const char* name : {"../escape", "a/b", ".hidden", "", "game.jsonl\n"}) {
    EXPECT_FALSE(UnpackGame(head + part(name) + part("x"), 10, error)) << name;
  }
  EXPECT_FALSE(fs::exists(folder_ / "escape"));

  // A game without its record is not stored as if it were complete.
  const auto bare = UnpackGame(head, 10, error);
  ASSERT_TRUE(bare) << error;
  EXPECT_NE(StoreGame(*bare, folder_ / "out"), "");
  EXPECT_FALSE(fs::exists(folder_ / "out" / "game-0007" / "game.jsonl"));
}

}  // namespace
}  // namespace curling::server
