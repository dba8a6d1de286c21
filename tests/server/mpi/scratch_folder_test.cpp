// A player rank's scratch folder: the folders of killed ranks on this machine
// are removed by the next rank to start, nothing else is.
#include "server/mpi/scratch_folder.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/temp_folder.h"

namespace curling::server {
namespace {

namespace fs = std::filesystem;

class ScratchFolderTest : public testing::TempFolderTest {};

// The id of a process that has ended.
long EndedPid() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  int status = 0;
  waitpid(pid, &status, 0);
  return pid;
}

TEST_F(ScratchFolderTest, AKilledRanksFolderIsRemovedByTheNextRankOnly) {
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  const std::string here = host;
  if (here.find('-') != std::string::npos) GTEST_SKIP() << "host name with '-'";
  const fs::path killed = folder_ / (ScratchPrefix(here, 2, EndedPid()) + "abc123");
  const fs::path running = folder_ / (ScratchPrefix(here, 1, getppid()) + "def456");
  const fs::path elsewhere = folder_ / (ScratchPrefix("otherhost", 2, EndedPid()) + "ghi789");
  const fs::path mine = folder_ / "not-a-scratch-folder";
  for (const fs::path& f : {killed, running, elsewhere, mine}) {
    fs::create_directories(f / "game-0003");
    std::ofstream(f / "game-0003" / "game.jsonl") << "{}\n";
  }
  // A link with a dead rank's name: removed as a name at most, never followed.
  const fs::path link = folder_ / (ScratchPrefix(here, 3, EndedPid()) + "jkl012");
  fs::create_directory_symlink(mine, link);

  const std::optional<fs::path> scratch = MakeScratchFolder(folder_, 4);
  ASSERT_TRUE(scratch);
  EXPECT_TRUE(fs::is_directory(*scratch));
  EXPECT_EQ(scratch->parent_path(), folder_);
  EXPECT_EQ(scratch->filename().string().rfind(ScratchPrefix(here, 4, getpid()), 0), 0u);
  EXPECT_FALSE(fs::exists(killed));
  EXPECT_TRUE(fs::exists(running / "game-0003" / "game.jsonl"));
  EXPECT_TRUE(fs::exists(elsewhere / "game-0003" / "game.jsonl"));
  EXPECT_TRUE(fs::exists(mine / "game-0003" / "game.jsonl"));
  EXPECT_FALSE(MakeScratchFolder(folder_ / "missing", 1));
}

}  // namespace
}  // namespace curling::server
