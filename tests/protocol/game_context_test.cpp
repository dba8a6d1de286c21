#include "protocol/game_context.h"

#include <gtest/gtest.h>

#include <string>

namespace curling::protocol {
namespace {

TEST(GameContextTest, ScoreAndTimeChangeOnlyWhenTheirWordsAreThere) {
  GameContext context;
  std::string word;
  EXPECT_TRUE(ApplyScore(context, "SCORE 3 -2 extra", word));
  EXPECT_EQ(context.own_points, 3);
  EXPECT_EQ(context.opponent_points, -2);
  // Both points or neither.
  EXPECT_FALSE(ApplyScore(context, "SCORE 5", word));
  EXPECT_EQ(context.own_points, 3);
  EXPECT_TRUE(ApplyScore(context, "SCORE 99999999999 x", word));
  EXPECT_EQ(context.own_points, 2147483647);
  EXPECT_EQ(context.opponent_points, 0);

  EXPECT_TRUE(ApplyTime(context, "TIME 12.5", word));
  EXPECT_EQ(context.own_time_left, 12.5);
  EXPECT_FALSE(ApplyTime(context, "TIME", word));
  EXPECT_EQ(context.own_time_left, 12.5);
  // A negative budget is spent; a huge one is kept (the plan bounds the shot).
  EXPECT_TRUE(ApplyTime(context, "TIME -4 5", word));
  EXPECT_EQ(context.own_time_left, 0.0);
  EXPECT_TRUE(ApplyTime(context, "TIME 1e38 5", word));
  EXPECT_GT(context.own_time_left.value_or(0.0), 9e37);
  // Whatever is not a finite number is no budget to plan from, one way for all.
  for (const char* line : {"TIME 1e39 5", "TIME -1e39", "TIME inf", "TIME nan", "TIME x"}) {
    context.own_time_left = 7.0;
    EXPECT_TRUE(ApplyTime(context, line, word));
    EXPECT_FALSE(context.own_time_left.has_value()) << line;
  }
}

}  // namespace
}  // namespace curling::protocol
