// The move decision against the recording library (CreateShot returns the aim
// as the delivery, CreateHitShot the aim with y + 1200): the opening guard,
// fixed points all taken, ShotNum out of range, the last two stones' search.
// The rules' constants and ratings are left to the pinned bench.
#include "search/default/decision.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include "search/default/rating.h"
#include "tests/support/recording_simulator.h"

namespace curling::testing {
namespace {

constexpr float kHitVy = 1200.0f;

// The side whose every outcome scores -8 in OpponentScoresEight.
std::atomic<int> g_loser{0};

// Every simulated outcome, at every depth of a search, has the loser's stones
// out of play and the eight other stones in the house.
void OpponentScoresEight(GameState* state, ShotVector, float) {
  for (int i = 0; i < 16; ++i) {
    const bool winner = i % 2 != g_loser;
    state->Stones[i] = winner ? StonePosition{2.375f, 4.0f + 0.1f * i} : StonePosition{0, 0};
  }
}

class DecisionTest : public ::testing::Test {
 protected:
  void SetUp() override { RecordingSimulator::Load(); }
  void TearDown() override { RecordingSimulator::Reset(); }

  void Place(int index, float x, float y) { state_.Stones[index] = {x, y}; }
  Decision Go(int shot_num) {
    state_.ShotNum = shot_num;
    return DecideShot(state_);
  }
  void Restart() {
    RecordingSimulator::Reset();
    state_ = GameState{};
  }

  static std::vector<RecordedCall> CallsOf(RecordedCallKind kind) {
    std::vector<RecordedCall> out;
    for (const RecordedCall& call : RecordingSimulator::Calls()) {
      if (call.kind == kind) out.push_back(call);
    }
    return out;
  }
  static int Simulations() { return RecordingSimulator::Count(kRecordedSimulation); }

  GameState state_{};
};

void ExpectShot(const Decision& decision, float vx, float vy, int curl) {
  EXPECT_EQ(decision.shot.vx, vx);
  EXPECT_EQ(decision.shot.vy, vy);
  EXPECT_EQ(decision.shot.curl, curl);
  EXPECT_FALSE(decision.mean_score);
}

TEST_F(DecisionTest, OpeningGuardAimsAtTheFirstFreeGuardPointWithoutSimulating) {
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
    SCOPED_TRACE("shot " + std::to_string(c.shot) + " stone x " + std::to_string(c.stone_x));
    Restart();
    Place(0, c.stone_x, c.stone_y);
    ExpectShot(Go(c.shot), c.aim_x, 7.0f, 0);
    EXPECT_EQ(RecordingSimulator::Calls().size(), 1u) << "one draw, nothing simulated";
  }
  // Stone 0 in the house ends the opening: at shot 1 it is the opponent's
  // nearest stone and gets the hit set; at shot 0 the fixed draws are rated.
  Restart();
  Place(0, 2.5f, 4.5f);
  ExpectShot(Go(1), 2.5f, 4.5f + kHitVy, 0);
  EXPECT_EQ(Simulations(), 200);
  RecordingSimulator::Reset();
  Go(0);
  EXPECT_EQ(CallsOf(kRecordedCreateShot).size(), 12u);
  EXPECT_EQ(Simulations(), 1200);
}

TEST_F(DecisionTest, EveryFixedPointTakenDrawsToTheTeeWithoutSimulating) {
  // Six own stones on the six points, each guarded by or guarding another:
  // no set is built, every point is taken, the reply is a draw to the tee.
  const float points[][2] = {{2.375f, 4.88f}, {2.375f, 3.965f}, {1.46f, 5.795f},
                             {3.29f, 5.795f}, {1.46f, 4.88f},   {3.29f, 4.88f}};
  for (int p = 0; p < 6; ++p)
    Place(2 * p, points[p][0], points[p][1]);
  ExpectShot(Go(12), 2.375f, 4.88f, 0);
  EXPECT_EQ(Simulations(), 0);
}

TEST_F(DecisionTest, ShotNumbersOutOfRangeSeeOnlyTheSixteenStones) {
  for (int shot : {16, 17, 40}) {
    Restart();
    for (int i = 0; i < 16; ++i)
      Place(i, 1.5f + 0.11f * i, 3.5f + 0.17f * i);
    EXPECT_FALSE(Go(shot).candidates) << "no search at shot " << shot;
  }
  // A negative ShotNum with stone 0 in the house: no stone counts as thrown,
  // so the fixed draws are all free.
  Restart();
  Place(0, 2.375f, 4.88f);
  ExpectShot(Go(-2), 2.375f, 4.88f, 0);
  EXPECT_EQ(CallsOf(kRecordedCreateShot).size(), 12u);
}

TEST_F(DecisionTest, SearchOfTheLastStonesReportsItsCountAndMeanOrFallsThrough) {
  for (int shot : {15, 14}) {
    Restart();
    RecordingSimulator::SetRecording(false);  // hundreds of simulations
    Place(0, 2.375f, 4.7f);
    Place(3, 1.9f, 7.5f);
    state_.ShotNum = shot;
    std::vector<int> reported;
    const Decision decision = DecideShot(state_, {[&](int count) { reported.push_back(count); }});
    ASSERT_EQ(reported.size(), 1u) << "shot " << shot;
    EXPECT_EQ(decision.candidates, reported[0]);
    EXPECT_TRUE(decision.mean_score) << "shot " << shot;
  }
  // Every outcome scoring -8 for the side to throw makes the search choose
  // nothing (its 30 shares of -8/30 reach -8); the decision's own ratings
  // still choose (100 single-precision shares of -0.08 add up to a little
  // more). Shot 15: opponent stone 0 in the house gets the hit set. Shot 14:
  // the stone is the shooter's own and gets the guard set.
  const struct {
    int shot;
    float vy;
  } cases[] = {{15, 4.4f + kHitVy}, {14, 4.4f + 1.5f}};
  for (const auto& c : cases) {
    Restart();
    RecordingSimulator::SetSimulationHook(OpponentScoresEight);
    g_loser = c.shot % 2;
    Place(0, 2.375f, 4.4f);
    const Decision decision = Go(c.shot);
    EXPECT_TRUE(decision.candidates) << "shot " << c.shot;
    ExpectShot(decision, 2.375f, c.vy, 0);
  }
}

TEST(ChooseBestCandidate, FirstStrictMaximumAboveMinusEight) {
  CandidateList list;
  float best = 0.0f;
  EXPECT_EQ(ChooseBestCandidate(list, best), -1);
  EXPECT_EQ(best, -8.0f);
  for (float mean : {-8.0f, std::nanf(""), -9.0f, -7.99f, 0.5f, 0.5f}) {
    list.Append(ShotVector{});
    list.scores.back() = mean;
  }
  EXPECT_EQ(ChooseBestCandidate(list, best), 4);
  EXPECT_EQ(best, 0.5f);
  list.scores.resize(3);
  list.shots.resize(3);
  EXPECT_EQ(ChooseBestCandidate(list, best), -1);
}

}  // namespace
}  // namespace curling::testing
