// The opening guard, and what the decision does when it does not apply.
#include "tests/search/decision_fixture.h"

namespace curling::testing {
namespace {

using OpeningGuard = DecisionTest;

TEST_F(OpeningGuard, AimsAtTheFirstFreeGuardPointWithoutSimulating) {
  const struct {
    int shot;
    float stone_x, stone_y;  // stone 0; (0, 0) for none
    float aim_x;
  } cases[] = {
      {0, 0.0f, 0.0f, 2.375f},    // empty sheet
      {1, 2.375f, 7.2f, 3.29f},   // centre guard point taken
      {1, 2.83f, 7.1f, 1.46f},    // centre point and right corner test point taken
      {1, 3.29f, 7.21f, 2.375f},  // a corner stone leaves the centre free
      {1, 2.375f, 7.5f, 2.375f},  // exactly 0.5 away: the point is free
      {-1, 0.0f, 0.0f, 2.375f},   // no stone counts as thrown
  };
  for (const auto& c : cases) {
    RecordingSimulator::Reset();
    SetShot(c.shot);
    Place(0, c.stone_x, c.stone_y);
    EXPECT_EQ(Go(), BestShotText(c.aim_x, 7.0f, 0)) << "shot " << c.shot << " stone " << c.stone_x;
    ExpectAims({{kRecordedCreateShot, c.aim_x, 7.0f, 0}});
    EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 0);
  }
}

TEST_F(OpeningGuard, StoneZeroInTheHouseTurnsItOff) {
  // Shot 1: stone 0 is the opponent's and the nearest: its two hits are rated.
  SetShot(1);
  Place(0, 2.5f, 4.5f);
  const std::string reply = Go();
  ExpectAims({{kRecordedCreateHitShot, 2.5f, 4.5f, 0}, {kRecordedCreateHitShot, 2.5f, 4.5f, 1}});
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 200);
  // Both hits remove the stone: equal means, the first wins.
  EXPECT_EQ(reply, BestShotText(2.5f, 4.5f + 1200.0f, 0));

  // Shot 0 after a POSITION put stone 0 in the house: nothing to walk, the
  // fixed draws are rated.
  RecordingSimulator::Reset();
  SetShot(0);
  Go();
  EXPECT_EQ(CallsOf(kRecordedCreateShot).size(), 12u);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 1200);
}

}  // namespace
}  // namespace curling::testing
