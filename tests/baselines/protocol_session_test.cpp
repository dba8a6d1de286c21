#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "baselines/protocol_session.h"

namespace curling::baselines {
namespace {

using Replies = std::vector<std::string>;

// A session whose chooser records the state it was asked about.
struct Recorder {
  std::vector<GameState> asked;
  ShotVector answer{1.5f, -2.25f, 1, {}};
  ProtocolSession session{[this](const GameState& s) {
    asked.push_back(s);
    return answer;
  }};
};

TEST(ProtocolSession, AnswersEveryLineOfAReadInOrder) {
  Recorder r;
  EXPECT_EQ(r.session.HandleRead("ISREADY"), Replies{"READYOK"});
  EXPECT_EQ(r.session.HandleRead("isready\r\nIsReady\nISREADYX\n\n   \nGO\n"),
            (Replies{"READYOK", "READYOK", "BESTSHOT 1.500000 -2.250000 1"}));
  EXPECT_EQ(r.session.HandleRead("   go   extra words"), Replies{"BESTSHOT 1.500000 -2.250000 1"});
  EXPECT_EQ(r.asked.size(), 2u);
  // A line split over two reads is two lines; neither half is a command.
  EXPECT_TRUE(r.session.HandleRead("ISRE").empty());
  EXPECT_TRUE(r.session.HandleRead("ADY").empty());
  // Bytes after a zero byte are not part of the line.
  EXPECT_EQ(r.session.HandleRead(std::string("ISREADY\0GO", 10)), Replies{"READYOK"});
}

TEST(ProtocolSession, KeepsTheStateThatGoDecidesFrom) {
  Recorder r;
  std::string position = "POSITION";
  for (int k = 0; k < 16; ++k) {
    position.append(" ").append(std::to_string(k)).append(".5 ").append(std::to_string(k + 1));
  }
  r.session.HandleRead(position + "\nSETSTATE 5 2 8 1\nGO\n");
  ASSERT_EQ(r.asked.size(), 1u);
  const GameState& s = r.asked[0];
  EXPECT_EQ(s.ShotNum, 5);
  EXPECT_EQ(s.CurEnd, 2);
  EXPECT_EQ(s.LastEnd, 8);
  EXPECT_EQ(s.NextSide, 1);
  EXPECT_FLOAT_EQ(s.Stones[0].x, 0.5f);
  EXPECT_FLOAT_EQ(s.Stones[15].x, 15.5f);
  EXPECT_FLOAT_EQ(s.Stones[15].y, 16.0f);

  // Short argument lists keep what they did give; bad numbers become 0.
  r.session.HandleRead("POSITION 1 2 3\nSETSTATE 7\n");
  EXPECT_FLOAT_EQ(r.session.State().Stones[0].x, 1.0f);
  EXPECT_FLOAT_EQ(r.session.State().Stones[1].x, 3.0f);
  EXPECT_FLOAT_EQ(r.session.State().Stones[1].y, 2.0f);  // unchanged
  EXPECT_EQ(r.session.State().ShotNum, 7);
  EXPECT_EQ(r.session.State().CurEnd, 2);
  r.session.HandleRead("POSITION abc +2.5e0\nSETSTATE x 3 4 0");
  EXPECT_FLOAT_EQ(r.session.State().Stones[0].x, 0.0f);
  EXPECT_FLOAT_EQ(r.session.State().Stones[0].y, 2.5f);
  EXPECT_EQ(r.session.State().ShotNum, 0);
  EXPECT_EQ(r.session.State().NextSide, 0);

  r.session.HandleRead("NEWGAME");
  EXPECT_EQ(r.session.State().LastEnd, 0);
  EXPECT_FLOAT_EQ(r.session.State().Stones[15].y, 0.0f);
}

TEST(ProtocolSession, BestShotIsAlwaysWellFormed) {
  EXPECT_EQ(FormatBestShot({0.25f, -3.0f, 0, {}}), "BESTSHOT 0.250000 -3.000000 0");
  // A non-finite speed is sent as 0, any non-zero curl byte as 1.
  EXPECT_EQ(FormatBestShot({NAN, INFINITY, 7, {}}), "BESTSHOT 0.000000 0.000000 1");
}

}  // namespace
}  // namespace curling::baselines
