// The curling count, the one used by the engine, the match server and the
// baselines.
#include "eval/scoring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/rink.h"

namespace curling {
namespace {

struct Placed {
  int stone;
  float dx, dy;  // from the tee
};

GameState With(const std::vector<Placed>& stones) {
  GameState state{};
  for (const Placed& p : stones)
    state.Stones[p.stone] = {kTeeX + p.dx, kTeeY + p.dy};
  return state;
}

TEST(ScorePosition, OnlyTheNearerSideScoresUpToTheOthersNearestStone) {
  // A point whose squared distance from the tee is the limit's square.
  const float edge_dx = 4.3499999f - kTeeX, edge_dy = 4.88059855f - kTeeY;
  ASSERT_EQ(edge_dx * edge_dx + edge_dy * edge_dy, kScoringLimit * kScoringLimit);
  const float nan = std::nanf("");
  const struct {
    const char* what;
    std::vector<Placed> stones;
    int for_side_0;
  } cases[] = {
      {"empty sheet", {}, 0},
      {"one stone on the tee", {{0, 0, 0}}, 1},
      {"odd stone between even ones", {{0, 0, -0.3f}, {2, 0, -0.5f}, {4, 0, -1.9f}, {1, 0, -1}}, 2},
      {"no odd stone in the house", {{0, 0, -0.3f}, {2, 0, -0.5f}, {4, 0, -1.9f}, {1, 0, 2}}, 3},
      {"odd side nearest", {{3, 0, 0.2f}, {5, 0, 0.4f}, {0, 0, 0.6f}, {7, 0, 0.8f}}, -2},
      {"eight of one side",
       {{1, 0, .1f},
        {3, 0, .3f},
        {5, 0, .5f},
        {7, 0, .7f},
        {9, 0, .9f},
        {11, 0, 1.1f},
        {13, 0, 1.3f},
        {15, 0, 1.5f}},
       -8},
      {"nearest of both sides tied", {{0, 0.5f, 0}, {1, -0.5f, 0}, {2, 0, 0.7f}, {4, 0, 0.9f}}, 0},
      {"a tie stops a second stone", {{0, 0, 0.2f}, {2, 0.5f, 0}, {1, -0.5f, 0}}, 1},
      {"a lone stone at the limit", {{6, edge_dx, edge_dy}}, 0},
      {"a lone stone just inside", {{6, std::nextafter(4.3499999f, 0.0f) - kTeeX, edge_dy}}, 1},
      {"a NaN stone neither counts nor blocks", {{1, nan, nan}, {0, 0, 0.5f}}, 1},
      {"out of play at (0, 0)", {{0, -kTeeX, -kTeeY}}, 0},
  };
  for (const auto& c : cases) {
    const GameState state = With(c.stones);
    EXPECT_EQ(ScorePosition(state, 0), c.for_side_0) << c.what;
    EXPECT_EQ(ScorePosition(state, 1), -c.for_side_0) << c.what;
  }
  EXPECT_EQ(ScorePosition(With({{3, 0, 0.2f}, {5, 0, 0.4f}}), -1), -2)
      << "a side matching no stone only loses";
}

}  // namespace
}  // namespace curling
