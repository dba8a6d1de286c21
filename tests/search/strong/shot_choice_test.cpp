// Positions whose right answer any curler agrees on, searched with a fixed
// number of rollouts against the real physics library.
#include "eval/scoring.h"
#include "tests/search/strong/strong_test_support.h"

namespace curling::strong {
namespace {

constexpr float kTeeX = 2.375f;
constexpr float kTeeY = 4.88f;

class ShotChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadRealLibrary(); }
};

TEST_F(ShotChoiceTest, TakeOutTheLoneStoneOnTheButton) {
  struct Case {
    const char* name;
    int shot;
    int lead;
  };
  const Case cases[] = {
      {"last end, tied, own last stone", 15, 0},
      {"last end, one up, their last stone to come", 14, 1},
  };
  for (const Case& c : cases) {
    const int opponent_stone = c.shot - 1;
    const GameState state = Position(c.shot, 7, 7, {{opponent_stone, kTeeX, kTeeY + 0.05f}});
    const SearchReport report = Search(state, {c.lead, 0}, 1500);
    EXPECT_TRUE(IsHit(report.chosen.kind)) << c.name << ": " << ShotKindName(report.chosen.kind);
    EXPECT_EQ(report.chosen.target, opponent_stone) << c.name;
  }
}

TEST_F(ShotChoiceTest, DrawForTwoWhenTwoAreNeeded) {
  // Last end, one down, own last stone, own stone counting, the house open.
  const GameState state = Position(15, 7, 7, {{13, kTeeX - 0.3f, kTeeY - 0.3f}});
  const SearchReport report = Search(state, {-1, 0}, 1500);
  EXPECT_FALSE(IsHit(report.chosen.kind)) << ShotKindName(report.chosen.kind);
  EXPECT_EQ(ScorePosition(Played(state, report.chosen.shot), 1), 2);
  EXPECT_GT(report.value, 0.5);
}

TEST_F(ShotChoiceTest, BlankTheEndToKeepTheLastStone) {
  // Tied before the last end, own last stone, nothing in play: scoring one
  // would hand the last stone of the last end to the other side.
  const GameState state = Position(15, 6, 7, {});
  const SearchReport report = Search(state, {0, 1}, 1000);
  EXPECT_EQ(ScorePosition(Played(state, report.chosen.shot), 1), 0)
      << ShotKindName(report.chosen.kind);
  // In the last end itself the point wins the game.
  const GameState last_end = Position(15, 7, 7, {});
  const SearchReport scoring = Search(last_end, {0, 0}, 1000);
  EXPECT_EQ(ScorePosition(Played(last_end, scoring.chosen.shot), 1), 1)
      << ShotKindName(scoring.chosen.kind);
}

TEST_F(ShotChoiceTest, ACountTooSmallToShareLeavesTheChoiceUnrefined) {
  // With one or two samples refinement's third is none: the search is the
  // unrefined one, and the count does not turn into a search until the
  // deadline, however far off that is.
  const GameState state = Position(15, 7, 7, {{14, kTeeX, kTeeY + 0.05f}});
  for (const int64_t samples : {1, 2}) {
    SearchLimits limits;
    limits.rollouts = samples;
    limits.deadline = Clock::now() + std::chrono::seconds(30);
    const SearchReport plain = SearchStrongShot(state, {0, 0}, limits);
    limits.refine = true;
    const SearchReport refined = SearchStrongShot(state, {0, 0}, limits);
    EXPECT_EQ(refined.rollouts, plain.rollouts) << samples;
    EXPECT_EQ(refined.chosen.target, plain.chosen.target) << samples;
    EXPECT_EQ(refined.chosen.kind, plain.chosen.kind) << samples;
  }
}

}  // namespace
}  // namespace curling::strong
