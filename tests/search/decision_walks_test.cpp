// The stone scans, the fixed draws and their ratings.
#include <cmath>
#include <cstring>

#include "tests/search/decision_fixture.h"

namespace curling::testing {
namespace {

using Walks = DecisionTest;

constexpr float kHitVy = 1200.0f;  // the recording library's hit: vy = aim y + 100 * 12

TEST_F(Walks, EvenShotHitsTheOpponentOddShotGuardsItsOwnNearerStone) {
  // Even shot 6: own stone 0 on the tee, opponent stone 1 second nearest.
  SetShot(6);
  Place(0, 2.375f, 4.88f);
  Place(1, 2.9f, 4.3f);
  EXPECT_EQ(Go(), BestShotText(2.9f, 4.3f + kHitVy, 0));
  ExpectAims({{kRecordedCreateHitShot, 2.9f, 4.3f, 0}, {kRecordedCreateHitShot, 2.9f, 4.3f, 1}});

  // The same layout for the side with the last stone (shot 7): own stone 1
  // on the tee is nearest, so it gets the guard set 1.5 in front of it.
  RecordingSimulator::Reset();
  SetShot(7);
  Place(1, 2.375f, 4.88f);
  Place(0, 2.9f, 4.3f);
  EXPECT_EQ(Go(), BestShotText(2.375f, 4.88f + 1.5f, 0));
  ExpectAims({{kRecordedCreateShot, 2.375f, 4.88f + 1.5f, 0},
              {kRecordedCreateShot, 2.375f, 4.88f + 1.5f, 1}});
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 200);

  // A stone 2.3 in front guards the tee stone: the walk goes on to the hit.
  RecordingSimulator::Reset();
  Place(2, 2.375f, 7.2f);
  EXPECT_EQ(Go(), BestShotText(2.9f, 4.3f + kHitVy, 0));
  ExpectAims({{kRecordedCreateHitShot, 2.9f, 4.3f, 0}, {kRecordedCreateHitShot, 2.9f, 4.3f, 1}});
}

TEST_F(Walks, RatingSimulatesInterleavedOnFreshCopies) {
  SetShot(5);
  Place(0, 2.375f, 4.88f);  // opponent stone on the tee
  Place(3, 1.0f, 9.0f);     // own stone out of the house
  const GameState before = g_game_state;
  Go();
  const auto sims = CallsOf(kRecordedSimulation);
  ASSERT_EQ(sims.size(), 200u);
  for (size_t i = 0; i < sims.size(); ++i) {
    EXPECT_EQ(sims[i].shot.curl, i % 2) << "simulation " << i;
    EXPECT_EQ(sims[i].random_error, 0.145f);
    EXPECT_EQ(std::memcmp(&sims[i].before, &before, sizeof before), 0) << "simulation " << i;
  }
  EXPECT_EQ(std::memcmp(&g_game_state, &before, sizeof before), 0);
}

TEST_F(Walks, LateDrawsForStonesBehindTheTeeFromShotTwelve) {
  const struct {
    int shot;
    int stone;  // an opponent stone of the shot
    float y;
    bool late_draws;
  } cases[] = {{12, 1, 4.0f, true},
               {13, 0, 4.0f, true},
               {12, 1, 4.59f, false},
               {11, 0, 4.0f, false},
               {12, 1, std::nextafter(4.59f, 0.0f), true}};
  for (const auto& c : cases) {
    RecordingSimulator::Reset();
    g_game_state = GameState{};
    SetShot(c.shot);
    Place(c.stone, 2.375f, c.y);
    Go();
    std::vector<ExpectedAim> aims = {{kRecordedCreateHitShot, 2.375f, c.y, 0},
                                     {kRecordedCreateHitShot, 2.375f, c.y, 1}};
    if (c.late_draws) {
      const float target = c.y + 0.29f;
      aims.push_back({kRecordedCreateShot, 2.375f, target + 0.29f, 0});
      aims.push_back({kRecordedCreateShot, 2.375f, target + 0.29f, 1});
    }
    SCOPED_TRACE("shot " + std::to_string(c.shot) + " y " + std::to_string(c.y));
    ExpectAims(aims);
    EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), c.late_draws ? 400 : 200);
  }
}

TEST_F(Walks, StonesThatAreGuardedOrGuardNeedNoGuard) {
  // Shot 7, both own stones in the house: A lies one metre in front of B on
  // B's line to the delivery point, so A guards B and B is guarded.
  SetShot(7);
  const float bx = 2.9f, by = 3.3f;
  const float dx = 2.375f - bx, dy = 41.28f - by;
  const float length = std::sqrt(dx * dx + dy * dy);
  Place(1, bx, by);                              // B
  Place(3, bx + dx / length, by + dy / length);  // A
  Go();
  ASSERT_EQ(CallsOf(kRecordedCreateHitShot).size(), 0u);
  const auto draws = CallsOf(kRecordedCreateShot);
  ASSERT_EQ(draws.size(), 12u) << "the fixed draws, no guard set";
  EXPECT_EQ(draws[0].aim.x, 2.375f);
  EXPECT_EQ(draws[0].aim.y, 4.88f);

  // Without B, A is a lone unguarded own stone: it gets the guard set.
  RecordingSimulator::Reset();
  Place(1, 0.0f, 0.0f);
  Go();
  EXPECT_EQ(CallsOf(kRecordedCreateShot).size(), 2u);
}

TEST_F(Walks, FixedDrawsTakeAPointOnlyWithinAStrictHalfMetre) {
  // Shot 2: own stone 0 exactly 0.5 from the tee point and guarded by
  // opponent stone 1, which lies outside the house: no set is built.
  SetShot(2);
  Place(0, 2.375f, 4.88f + 0.5f);
  Place(1, 2.375f, 7.2f);
  // Every draw scores 2 with the recording library: the first, the tee, wins.
  EXPECT_EQ(Go(), BestShotText(2.375f, 4.88f, 0));
  EXPECT_EQ(CallsOf(kRecordedCreateShot).size(), 12u);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 1200);

  RecordingSimulator::Reset();
  Place(0, 2.375f, 4.879f + 0.5f);  // just inside: the tee point is taken
  EXPECT_EQ(Go(), BestShotText(2.375f, 3.965f, 0));
  const float expected[][2] = {
      {2.375f, 3.965f}, {1.46f, 5.795f}, {3.29f, 5.795f}, {1.46f, 4.88f}, {3.29f, 4.88f}};
  std::vector<ExpectedAim> aims;
  for (const auto& point : expected) {
    for (int curl = 0; curl < 2; ++curl) {
      aims.push_back({kRecordedCreateShot, point[0], point[1], curl});
    }
  }
  ExpectAims(aims);
}

TEST_F(Walks, EveryFixedPointTakenDrawsToTheTee) {
  // Six own stones on the six points. Each is guarded by or guards another
  // (the tee stone and the stone behind it, each 5.795 stone and the 4.88
  // stone behind it), so no walk builds a set.
  SetShot(12);
  const float points[][2] = {{2.375f, 4.88f}, {2.375f, 3.965f}, {1.46f, 5.795f},
                             {3.29f, 5.795f}, {1.46f, 4.88f},   {3.29f, 4.88f}};
  for (int p = 0; p < 6; ++p)
    Place(2 * p, points[p][0], points[p][1]);
  EXPECT_EQ(Go(), BestShotText(2.375f, 4.88f, 0));
  const auto calls = RecordingSimulator::Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().kind, kRecordedCreateShot);
  EXPECT_EQ(calls.back().aim.x, 2.375f);
  EXPECT_EQ(calls.back().aim.y, 4.88f);
  EXPECT_EQ(calls.back().aim.curl, 0);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 0);
}

TEST_F(Walks, ShotNumbersOutOfRangeStillReplyOnce) {
  // All sixteen stones in play and a ShotNum past the end of the table.
  for (int shot : {16, 17, 40}) {
    RecordingSimulator::Reset();
    g_game_state = GameState{};
    SetShot(shot);
    for (int i = 0; i < 16; ++i)
      Place(i, 1.5f + 0.11f * i, 3.5f + 0.17f * i);
    const std::string reply = Go();
    EXPECT_EQ(reply.rfind("BESTSHOT ", 0), 0u) << reply;
    EXPECT_EQ(reply.find("BESTSHOT", 1), std::string::npos) << reply;
    EXPECT_EQ(reply.find("ShotNum:"), std::string::npos) << reply;
  }
  // A negative ShotNum with stone 0 in the house: no stone counts as thrown,
  // so the fixed draws are all free.
  RecordingSimulator::Reset();
  g_game_state = GameState{};
  SetShot(-2);
  Place(0, 2.375f, 4.88f);
  EXPECT_EQ(Go(), BestShotText(2.375f, 4.88f, 0));
  EXPECT_EQ(CallsOf(kRecordedCreateShot).size(), 12u);
}

}  // namespace
}  // namespace curling::testing
