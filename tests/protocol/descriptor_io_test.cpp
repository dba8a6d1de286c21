#include "protocol/descriptor_io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace curling::protocol {
namespace {

TEST(DescriptorIoTest, WriteAllSendsEveryByteOrSaysItCouldNot) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  // More than a pipe holds: the writes come back short while the reader catches up.
  std::string sent(300 * 1024, ' ');
  for (size_t i = 0; i < sent.size(); ++i)
    sent[i] = static_cast<char>('a' + i % 26);
  std::string received;
  std::thread reader([&] {
    char buffer[4096];
    ssize_t n;
    while ((n = ReadSome(fds[0], buffer, sizeof buffer)) > 0)
      received.append(buffer, static_cast<size_t>(n));
  });
  EXPECT_TRUE(WriteAll(fds[1], sent.data(), sent.size()));
  close(fds[1]);
  reader.join();
  EXPECT_EQ(received, sent);

  // The reader gone: the write fails instead of ending the process.
  IgnoreBrokenPipe();
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  EXPECT_FALSE(WriteAll(fds[1], "READYOK", 7));
  close(fds[1]);
  EXPECT_FALSE(WriteAll(-1, "READYOK", 7));
}

}  // namespace
}  // namespace curling::protocol
