#include "protocol/read_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace curling::protocol {
namespace {

using Lines = std::vector<std::string>;

// Writes all of `bytes` into a pipe, closes it and runs the loop over it:
// the first read takes kReadBufferSize bytes (or all there are), and so on.
Lines ReadAllOf(const std::string& bytes) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  EXPECT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  close(fds[1]);
  Lines lines;
  EXPECT_EQ(RunReadLoop([&lines](char* line) { lines.emplace_back(line); }, fds[0]), 0);
  close(fds[0]);
  return lines;
}

TEST(ReadLoopTest, ALineCutByAFullReadIsCompleted) {
  // "ISREADY" starts 4 bytes before the end of the first read.
  const std::string first(kReadBufferSize - 5, 'x');
  EXPECT_EQ(ReadAllOf(first + "\nISREADY\nGO"), (Lines{first, "ISREADY", "GO"}));
  // Input that ends inside a line kept after a full read: the line is still handed over.
  const std::string filled(kReadBufferSize - 8, 'x');
  EXPECT_EQ(ReadAllOf(filled + "\nISREADY"), (Lines{filled, "ISREADY"}));
}

TEST(ReadLoopTest, AFailingReadEndsTheLoop) {
  Lines lines;
  EXPECT_EQ(RunReadLoop([&lines](char* line) { lines.emplace_back(line); }, -1), 0);
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace curling::protocol
