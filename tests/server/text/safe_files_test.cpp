// Files written never through a link, read only when regular.
#include "server/text/safe_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using curling::server::OpenFileToWrite;
using curling::server::OwnFileError;
using curling::server::RegularFileError;
using curling::server::WriteFileWhole;

class SafeFiles : public curling::testing::TempFolderTest {
 protected:
  static std::string Read(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // What the folder holds besides `expected` files: no temporary left behind.
  size_t Entries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), {}));
  }
};

TEST_F(SafeFiles, AWholeWriteReplacesAFileAndRefusesALinkOrAFolder) {
  const fs::path file = folder_ / "summary.json";
  EXPECT_EQ(WriteFileWhole(file, "first"), "");
  EXPECT_EQ(WriteFileWhole(file, "second, longer"), "");
  EXPECT_EQ(Read(file), "second, longer");
  EXPECT_EQ(Entries(), 1u);

  const fs::path victim = folder_ / "victim";
  std::ofstream(victim) << "keep";
  const fs::path link = folder_ / "link";
  fs::create_symlink(victim, link);
  EXPECT_EQ(WriteFileWhole(link, "x"),
            link.string() + ": is a symbolic link (refused: it is never followed)");
  const fs::path dangling = folder_ / "dangling";
  fs::create_symlink(folder_ / "nowhere", dangling);
  EXPECT_NE(WriteFileWhole(dangling, "x"), "");
  EXPECT_FALSE(fs::exists(folder_ / "nowhere"));
  fs::create_directory(folder_ / "dir");
  EXPECT_EQ(WriteFileWhole(folder_ / "dir", "x"),
            (folder_ / "dir").string() + ": is a folder, not a file");
  EXPECT_EQ(Read(victim), "keep");
  EXPECT_EQ(Entries(), 5u);  // nothing left half-written beside them
  EXPECT_NE(WriteFileWhole(folder_ / "no" / "such" / "folder", "x"), "");
}

TEST_F(SafeFiles, AGrowingFileIsCutAndRefusesALinkOrAFifoWithoutWaiting) {
  const fs::path log = folder_ / "engine.log";
  std::ofstream(log) << "old text";
  std::string error;
  const int fd = OpenFileToWrite(log, error);
  ASSERT_GE(fd, 0) << error;
  ASSERT_EQ(write(fd, "new", 3), 3);
  close(fd);
  EXPECT_EQ(Read(log), "new");

  const fs::path victim = folder_ / "victim";
  std::ofstream(victim) << "keep";
  fs::create_symlink(victim, folder_ / "link");
  EXPECT_EQ(OpenFileToWrite(folder_ / "link", error), -1);
  EXPECT_NE(error.find("link: is a symbolic link"), std::string::npos) << error;
  EXPECT_EQ(Read(victim), "keep");

  const fs::path fifo = folder_ / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(OpenFileToWrite(fifo, error), -1);
  EXPECT_EQ(error, fifo.string() + ": is not a regular file");
  // A device is written as it is (a full disk is tried with /dev/full).
  const int device = OpenFileToWrite("/dev/null", error);
  EXPECT_GE(device, 0) << error;
  close(device);
  fs::create_directory(folder_ / "dir");
  EXPECT_EQ(OpenFileToWrite(folder_ / "dir", error), -1);
  EXPECT_EQ(error, (folder_ / "dir").string() + ": is a folder, not a file");
}

TEST_F(SafeFiles, OnlyRegularFilesAreRead) {
  const fs::path file = folder_ / "positions.jsonl";
  std::ofstream(file) << "{}\n";
  fs::create_symlink(file, folder_ / "link");
  const fs::path fifo = folder_ / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(RegularFileError(file), "");
  EXPECT_EQ(RegularFileError(folder_ / "link"), "");  // a reader may be handed a link
  EXPECT_EQ(OwnFileError(folder_ / "link"),
            (folder_ / "link").string() + ": is a symbolic link (refused: it is never followed)");
  EXPECT_EQ(RegularFileError(folder_), folder_.string() + ": is a folder, not a file");
  EXPECT_EQ(RegularFileError("/proc/self"), "/proc/self: is a folder, not a file");
  EXPECT_EQ(RegularFileError(fifo), fifo.string() + ": is not a regular file");
  EXPECT_EQ(RegularFileError(folder_ / "missing"),
            (folder_ / "missing").string() + ": no such file");
}

}  // namespace
