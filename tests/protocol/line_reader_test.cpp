#include "protocol/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace curling::protocol {
namespace {

using Lines = std::vector<std::string>;

// Feeds each read in turn and collects the lines handed over.
class Collector {
 public:
  explicit Collector(size_t read_size) : reader_(read_size) {}
  Lines Feed(const std::string& bytes) {
    lines_.clear();
    reader_.Feed(bytes, [this](char* line) { lines_.emplace_back(line); });
    return lines_;
  }
  Lines Finish() {
    lines_.clear();
    reader_.Finish([this](char* line) { lines_.emplace_back(line); });
    return lines_;
  }
  const LineReader& reader() const { return reader_; }

 private:
  LineReader reader_;
  Lines lines_;
};

TEST(LineReaderTest, EveryLineOfAReadIsHandedOverInOrder) {
  Collector c(1024);
  EXPECT_EQ(c.Feed("SETSTATE 14 0 10 1\nGO\n"), (Lines{"SETSTATE 14 0 10 1", "GO"}));
  // CR LF ends a line too (the empty line between CR and LF has no effect).
  EXPECT_EQ(c.Feed("ISREADY\r\nGO\r\n"), (Lines{"ISREADY", "", "GO", ""}));
  EXPECT_EQ(c.Feed("\n\n"), (Lines{"", ""}));
  // A last part without a line end is a line of its own in a short read.
  EXPECT_EQ(c.Feed("NEWGAME\nISREADY"), (Lines{"NEWGAME", "ISREADY"}));
  EXPECT_EQ(c.reader().PendingSize(), 0u);
  EXPECT_EQ(c.Finish(), Lines{});
}

TEST(LineReaderTest, ShortLineSplitAcrossTwoShortReadsIsTwoLines) {
  Collector c(1024);
  EXPECT_EQ(c.Feed("ISRE"), Lines{"ISRE"});
  EXPECT_EQ(c.Feed("ADY\n"), Lines{"ADY"});
}

TEST(LineReaderTest, OverlongLineIsDroppedWholeAndMemoryStaysBounded) {
  Collector c(1024);
  const std::string block(1024, 'a');
  for (size_t fed = 0; fed < 3 * LineReader::kMaxLineLength; fed += block.size()) {
    EXPECT_EQ(c.Feed(block), Lines{});
    ASSERT_LE(c.reader().PendingSize(), LineReader::kMaxLineLength);
  }
  // The rest of the long line goes too; the lines after it are handled.
  EXPECT_EQ(c.Feed("tail\nGO\nISREADY"), (Lines{"GO", "ISREADY"}));

  // A long line that ends only at end of input is dropped as well.
  for (size_t fed = 0; fed <= LineReader::kMaxLineLength; fed += block.size())
    c.Feed(block);
  EXPECT_EQ(c.Finish(), Lines{});
  EXPECT_EQ(c.Feed("GO"), Lines{"GO"});

  // Just under the limit is still one line.
  Collector d(1024);
  std::string line;
  while (line.size() + block.size() <= LineReader::kMaxLineLength) {
    d.Feed(block);
    line += block;
  }
  const Lines done = d.Feed("\n");
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0], line);
}

}  // namespace
}  // namespace curling::protocol
