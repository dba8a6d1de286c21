#include "eval/scoring.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/game_state.h"
#include "eval/rink.h"

namespace curling {
namespace {

GameState Empty() {
  return GameState{};
}

// Places stone `index` at `distance` straight behind the tee.
void AtDistance(GameState& state, int index, float distance) {
  state.Stones[index] = {kTeeX, kTeeY - distance};
}

TEST(ScorePosition, CountsTheNearerSide) {
  GameState state = Empty();
  EXPECT_EQ(ScorePosition(state, 0), 0);
  EXPECT_EQ(ScorePosition(state, 1), 0);

  state.Stones[0] = {kTeeX, kTeeY};
  EXPECT_EQ(ScorePosition(state, 0), 1);
  EXPECT_EQ(ScorePosition(state, 1), -1);

  // Even stones at 0.3, 0.5 and 1.9, an odd stone at 1.0.
  state = Empty();
  AtDistance(state, 0, 0.3f);
  AtDistance(state, 2, 0.5f);
  AtDistance(state, 4, 1.9f);
  AtDistance(state, 1, 1.0f);
  EXPECT_EQ(ScorePosition(state, 0), 2);
  EXPECT_EQ(ScorePosition(state, 1), -2);
  state.Stones[1] = {0.0f, 0.0f};  // no odd stone in the house: all three count
  EXPECT_EQ(ScorePosition(state, 0), 3);

  // Odd side nearest.
  state = Empty();
  AtDistance(state, 3, 0.2f);
  AtDistance(state, 5, 0.4f);
  AtDistance(state, 0, 0.6f);
  AtDistance(state, 7, 0.8f);
  EXPECT_EQ(ScorePosition(state, 1), 2);
  EXPECT_EQ(ScorePosition(state, 0), -2);
  EXPECT_EQ(ScorePosition(state, -1), -2) << "a side matching no stone only loses";

  // Eight of one side in the house.
  state = Empty();
  for (int k = 1; k < kStoneCount; k += 2)
    AtDistance(state, k, 0.1f * k);
  EXPECT_EQ(ScorePosition(state, 1), 8);
  EXPECT_EQ(ScorePosition(state, 0), -8);
}

TEST(ScorePosition, TiesAndTheLimitCountNothing) {
  GameState state = Empty();
  // Nearest stones of both sides at the same squared distance, more even
  // stones behind them: no score.
  state.Stones[0] = {kTeeX + 0.5f, kTeeY};
  state.Stones[1] = {kTeeX - 0.5f, kTeeY};
  AtDistance(state, 2, 0.7f);
  AtDistance(state, 4, 0.9f);
  EXPECT_EQ(ScorePosition(state, 0), 0);
  EXPECT_EQ(ScorePosition(state, 1), 0);

  // A lone stone exactly at the limit, and one just inside it.
  state = Empty();
  const float edge_x = 4.3499999f, edge_y = 4.88059855f;
  const float dx = edge_x - kTeeX, dy = edge_y - kTeeY;
  ASSERT_EQ(dx * dx + dy * dy, ScoringLimit * ScoringLimit);
  state.Stones[6] = {edge_x, edge_y};
  EXPECT_EQ(ScorePosition(state, 0), 0);
  state.Stones[6].x = std::nextafter(edge_x, 0.0f);
  EXPECT_EQ(ScorePosition(state, 0), 1);

  // An opposing stone at the same distance as a second scoring stone stops it.
  state = Empty();
  AtDistance(state, 0, 0.2f);
  state.Stones[2] = {kTeeX + 0.5f, kTeeY};
  state.Stones[1] = {kTeeX - 0.5f, kTeeY};
  EXPECT_EQ(ScorePosition(state, 0), 1);

  // A stone with NaN coordinates never counts nor blocks.
  state = Empty();
  state.Stones[1] = {std::nanf(""), std::nanf("")};
  AtDistance(state, 0, 0.5f);
  EXPECT_EQ(ScorePosition(state, 0), 1);
}

TEST(ScoreForShooter, UsesTheSharedShotNumber) {
  const GameState saved = g_game_state;
  GameState position = Empty();
  position.ShotNum = 2;  // the copy's own number is ignored
  AtDistance(position, 1, 0.3f);
  AtDistance(position, 3, 0.5f);

  g_game_state.ShotNum = 7;
  EXPECT_EQ(ScoreForShooter(position), 2);
  g_game_state.ShotNum = 8;
  EXPECT_EQ(ScoreForShooter(position), -2);
  g_game_state.ShotNum = -3;  // remainder -1: every counted stone counts against
  EXPECT_EQ(ScoreForShooter(position), -2);
  g_game_state = saved;
}

}  // namespace
}  // namespace curling
