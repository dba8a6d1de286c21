// RateCandidates and the choice among its means.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/game_state.h"
#include "search/rate_candidates.h"
#include "tests/support/recording_simulator.h"

namespace curling::testing {
namespace {

// Puts one stone of the side to throw on the tee: the shooter scores 1.
void ShooterScoresOne(GameState* state, ShotVector, float) {
  *state = GameState{};
  const int own = g_game_state.ShotNum % 2;
  state->Stones[own] = {2.375f, 4.88f};
}

TEST(RateCandidates, AccumulatesHundredthsInSinglePrecision) {
  RecordingSimulator::Load();
  RecordingSimulator::SetSimulationHook(ShooterScoresOne);
  const GameState saved = g_game_state;
  g_game_state = GameState{};
  g_game_state.ShotNum = 3;

  DecisionCandidates list;
  list.Append(ShotVector{1.0f, 2.0f, 0, {}});
  list.Append(ShotVector{1.0f, 2.0f, 1, {}});
  RateCandidates(list);
  float expected = 0.0f;
  for (int i = 0; i < 100; ++i)
    expected = expected + 1.0f / 100.0f;
  ASSERT_NE(expected, 1.0f) << "single-precision sums of 0.01 fall short of 1";
  EXPECT_EQ(list.means[0], expected);
  EXPECT_EQ(list.means[1], expected);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 200);

  g_game_state = saved;
  RecordingSimulator::Reset();
}

TEST(ChooseCandidate, FirstStrictMaximumAboveMinusEight) {
  DecisionCandidates list;
  EXPECT_EQ(ChooseCandidate(list), -1);
  for (float mean : {-8.0f, std::nanf(""), -9.0f}) {
    list.Append(ShotVector{});
    list.means.back() = mean;
  }
  EXPECT_EQ(ChooseCandidate(list), -1);
  list.means[2] = -7.99f;
  EXPECT_EQ(ChooseCandidate(list), 2);
  list.Append(ShotVector{});
  list.Append(ShotVector{});
  list.means[3] = 0.5f;
  list.means[4] = 0.5f;
  EXPECT_EQ(ChooseCandidate(list), 3);
}

}  // namespace
}  // namespace curling::testing
