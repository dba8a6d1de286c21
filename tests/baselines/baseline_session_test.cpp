#include "baselines/baseline_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace curling::baselines {
namespace {

// A baseline session whose chooser records the state it was asked about and
// whose replies are collected.
struct Recorder {
  std::vector<GameState> asked;
  std::string replies;
  protocol::Session session = MakeBaselineSession(
      [this](const GameState& s) {
        asked.push_back(s);
        return ShotVector{1.5f, -2.25f, 1, {}};
      },
      [this](const char* text) { replies += text; });

  void Handle(std::string line) { session.Handle(line.data()); }
  const GameState& State() const { return session.state(); }
};

TEST(BaselineSession, GoAnswersWithTheChoiceForTheStateTheCommandsSet) {
  Recorder r;
  std::string position = "POSITION";
  for (int k = 0; k < 16; ++k) {
    position.append(" ").append(std::to_string(k)).append(".5 ").append(std::to_string(k + 1));
  }
  for (const char* line : {"isready", "SETSTATE 5 2 8 1", "ISREADYX", "", "   go   extra words"})
    r.Handle(line);
  r.Handle(position);
  r.Handle("GO");
  EXPECT_EQ(r.replies, "READYOKBESTSHOT 1.500000 -2.250000 1BESTSHOT 1.500000 -2.250000 1");
  ASSERT_EQ(r.asked.size(), 2u);
  const GameState& s = r.asked[1];
  EXPECT_EQ(s.ShotNum, 5);
  EXPECT_EQ(s.CurEnd, 2);
  EXPECT_EQ(s.LastEnd, 8);
  EXPECT_EQ(s.NextSide, 1);
  EXPECT_EQ(s.Stones[0].x, 0.5f);
  EXPECT_EQ(s.Stones[15].x, 15.5f);
  EXPECT_EQ(s.Stones[15].y, 16.0f);
  r.Handle("NEWGAME");
  EXPECT_EQ(r.State().LastEnd, 0);
  EXPECT_EQ(r.State().Stones[15].y, 0.0f);
}

// Where the baselines once read differently from curling-engine.
TEST(BaselineSession, ReadsWordsAndNumbersAsTheEngineDoes) {
  Recorder r;
  r.Handle("SETSTATE 5 2 8 1");
  // A tab belongs to its word: none of these is a command.
  for (const char* line : {"GO\tnow", "POSITION\t1 2", "SETSTATE\t7\t0\t8\t0", "\tISREADY"})
    r.Handle(line);
  EXPECT_EQ(r.replies, "");
  EXPECT_EQ(r.State().ShotNum, 5);
  EXPECT_EQ(r.State().Stones[0].x, 0.0f);
  // A trailing space is followed by an empty word, which reads as 0.
  r.Handle("SETSTATE 6 ");
  EXPECT_EQ(r.State().ShotNum, 6);
  EXPECT_EQ(r.State().CurEnd, 0);
  EXPECT_EQ(r.State().LastEnd, 8);
  // Integers beyond the int32 range are clamped to it, not read as 0.
  r.Handle("SETSTATE 99999999999 -99999999999 +-4 0");
  EXPECT_EQ(r.State().ShotNum, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(r.State().CurEnd, std::numeric_limits<int32_t>::min());
  EXPECT_EQ(r.State().LastEnd, 0);  // one sign only
  // "inf" and "nan" are no numbers (0); beyond float range is an infinity of its sign.
  r.Handle("POSITION inf nan 1e400 -1e400 1e39 +-2.5 2.375x 4.88");
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(r.State().Stones[0].x, 0.0f);
  EXPECT_EQ(r.State().Stones[0].y, 0.0f);
  EXPECT_EQ(r.State().Stones[1].x, inf);
  EXPECT_EQ(r.State().Stones[1].y, -inf);
  EXPECT_EQ(r.State().Stones[2].x, inf);
  EXPECT_EQ(r.State().Stones[2].y, 0.0f);
  EXPECT_EQ(r.State().Stones[3].x, 2.375f);
  EXPECT_EQ(r.State().Stones[3].y, 4.88f);
}

}  // namespace
}  // namespace curling::baselines
