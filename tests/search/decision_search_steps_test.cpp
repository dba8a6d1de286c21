// The last two stones: the search's texts and the fall-through when it
// chooses nothing.
#include <cstring>
#include <regex>
#include <string>

#include "tests/search/decision_fixture.h"

namespace curling::testing {
namespace {

using SearchSteps = DecisionTest;

const std::regex kChosen(
    R"(ShotNum:[0-9]+MeanScore:-?[0-9]+\.[0-9]{6}BESTSHOT -?[0-9]+\.[0-9]{6} -?[0-9]+\.[0-9]{6} [01])");

TEST_F(SearchSteps, MeanScoreComesBetweenTheCountAndTheShot) {
  RecordingSimulator::SetRecording(false);  // hundreds of simulations
  for (int shot : {15, 14}) {
    g_game_state = GameState{};
    SetShot(shot);
    Place(0, 2.375f, 4.7f);
    Place(1, 2.6f, 5.2f);
    Place(3, 1.9f, 7.5f);
    const GameState before = g_game_state;
    const std::string reply = Go();
    EXPECT_TRUE(std::regex_match(reply, kChosen)) << "shot " << shot << ": " << reply;
    EXPECT_EQ(std::memcmp(&g_game_state, &before, sizeof before), 0);
  }
}

// A hook that makes every outcome score -8 for the side to throw makes the
// search choose nothing (its means reach -8.0 or less). The decision's own
// ratings still choose: 100 single-precision shares of -0.08 add up to a
// little more than -8.
TEST_F(SearchSteps, NoChoiceFallsThroughToTheWalksWithoutMeanScore) {
  RecordingSimulator::SetSimulationHook(OpponentScoresEight);
  RecordingSimulator::SetRecording(false);
  // Shot 15: opponent stone 0 in the house gets the hit set. Shot 14: the
  // stone is the shooter's own and gets the guard set.
  const struct {
    int shot;
    std::string best_shot;
  } cases[] = {{15, BestShotText(2.375f, 4.4f + 1200.0f, 0)},
               {14, BestShotText(2.375f, 4.4f + 1.5f, 0)}};
  for (const auto& c : cases) {
    g_game_state = GameState{};
    SetShot(c.shot);
    Place(0, 2.375f, 4.4f);
    const std::string reply = Go();
    EXPECT_TRUE(std::regex_match(reply, std::regex("ShotNum:[0-9]+" + c.best_shot)))
        << "shot " << c.shot << ": " << reply;
  }

  // The record's tail at shot 15: after the search's last simulation, the
  // two hits and two late draws on stone 0 and their 400 simulations.
  RecordingSimulator::Reset();
  RecordingSimulator::SetSimulationHook(OpponentScoresEight);
  g_game_state = GameState{};
  SetShot(15);
  Place(0, 2.375f, 4.4f);
  Go();
  const auto calls = RecordingSimulator::Calls();
  const size_t tail = 4 + 400;
  ASSERT_GT(calls.size(), tail);
  size_t i = calls.size() - tail;
  EXPECT_EQ(calls[i - 1].kind, kRecordedSimulation) << "the search's last simulation";
  for (int c = 0; c < 2; ++c, ++i) {
    EXPECT_EQ(calls[i].kind, kRecordedCreateHitShot);
    EXPECT_EQ(calls[i].aim.y, 4.4f);
  }
  for (int c = 0; c < 2; ++c, ++i)
    EXPECT_EQ(calls[i].kind, kRecordedCreateShot);
  for (int c = 0; c < 400; ++c, ++i)
    ASSERT_EQ(calls[i].kind, kRecordedSimulation);
}

}  // namespace
}  // namespace curling::testing
