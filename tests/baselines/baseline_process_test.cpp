// The baseline programs themselves, driven over pipes as a match drives them.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/child_program.h"

namespace {

TEST(BaselineProcess, EachProgramAnswersReadinessAndGoWithoutLineEnds) {
  std::string position = "POSITION 2.3 5.0 2.5 4.6";
  for (int k = 2; k < 16; ++k)
    position += " 0 0";
  // One finite delivery toward the house (negative vy), nothing after it.
  const std::regex reply(R"(BESTSHOT -?[0-9]+\.[0-9]{6} -[0-9]+\.[0-9]{6} [01])");
  for (const char* path : {BASELINE_DRAW_PATH, BASELINE_RANDOM_PATH, BASELINE_GREEDY_PATH}) {
    SCOPED_TRACE(path);
    curling::testing::ChildProgram child(path);
    child.Send("ISREADY");
    EXPECT_EQ(child.Read(7), "READYOK");
    // Several commands in one write, the way a line-reading server might send them.
    child.Send("NEWGAME\n" + position + "\nSETSTATE 2 0 8 0\nGO\n");
    child.CloseInput();
    const std::string out = child.ReadAll();
    EXPECT_TRUE(std::regex_match(out, reply)) << out;
    EXPECT_EQ(child.Wait(), 0);
  }
}

// The baselines read their input as curling-engine does (1024-byte reads, a
// line cut by a full read completed by the next) and, like it, go on to the
// end of their input when nobody reads their replies.
TEST(BaselineProcess, EachProgramCompletesALineCutByAFullReadAndOutlivesItsOutput) {
  for (const char* path : {BASELINE_DRAW_PATH, BASELINE_RANDOM_PATH, BASELINE_GREEDY_PATH}) {
    SCOPED_TRACE(path);
    curling::testing::ChildProgram child(path);
    // Every read but the last is full; the fourth ends inside "ISREADY".
    child.Send(std::string(4090, ' ') + "ISREADY\n");
    EXPECT_EQ(child.ReadUntil("READYOK"), "READYOK");
    child.CloseOutput();
    child.Send("ISREADY\nGO\nISREADY\n");
    child.CloseInput();
    EXPECT_EQ(child.Wait(), 0);
  }
}

}  // namespace
