#include "baselines/shot_choices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "game/rink.h"

namespace curling::baselines {
namespace {

// Stand-in physics: a draw is (vx, vy) = its aim point and stops exactly
// there; a hit is marked by vy + 100 and removes every stone within a stone
// diameter of its aim, leaving the sheet itself.
int FakeCreateShot(AimPoint aim, ShotVector* out) {
  *out = ShotVector{aim.x, aim.y, aim.curl, {}};
  return 1;
}
int FakeCreateHitShot(AimPoint aim, float, ShotVector* out) {
  *out = ShotVector{aim.x, aim.y + 100.0f, aim.curl, {}};
  return 1;
}
int FakeSimulation(GameState* state, ShotVector shot, float, void*, int) {
  if (shot.vy < 100.0f) {
    state->Stones[state->ShotNum] = {shot.vx, shot.vy};
  } else {
    for (StonePosition& s : state->Stones) {
      if (std::hypot(s.x - shot.vx, s.y - (shot.vy - 100.0f)) < 0.29f) s = {0.0f, 0.0f};
    }
  }
  ++state->ShotNum;
  return 1;
}
const Physics kFake{&FakeSimulation, &FakeCreateShot, &FakeCreateHitShot};

TEST(ShotChoices, DrawAndRandomAimIntoTheHouseWithBothCurls) {
  std::mt19937_64 random(7);
  int curls[2] = {0, 0};
  for (int i = 0; i < 200; ++i) {
    const ShotVector tee = ChooseDrawToTee(kFake, random);
    EXPECT_FLOAT_EQ(tee.vx, kTeeX);
    EXPECT_FLOAT_EQ(tee.vy, kTeeY);
    const ShotVector house = ChooseRandomHouseDraw(kFake, random);
    EXPECT_LE(std::hypot(house.vx - kTeeX, house.vy - kTeeY), kHouseRadius + 1e-5f);
    ++curls[tee.curl];
    ++curls[house.curl];
  }
  EXPECT_GT(curls[0], 100);
  EXPECT_GT(curls[1], 100);
}

TEST(ShotChoices, GreedyTakesTheCandidateWithTheBestCount) {
  GameState s{};
  s.ShotNum = 3;  // side 1 to throw
  // Side 0's stone a little short of the tee: a draw to the tee outcounts it.
  s.Stones[0] = {kTeeX, kTeeY + 0.4f};
  ShotVector chosen = ChooseGreedy(s, kFake, 4);
  EXPECT_LT(chosen.vy, 100.0f);
  EXPECT_FLOAT_EQ(chosen.vx, kTeeX);
  EXPECT_FLOAT_EQ(chosen.vy, kTeeY);
  EXPECT_EQ(chosen.curl, 0);  // the first of equal means

  // Side 0 sits on the very tee: a draw there only ties (blank), so taking it
  // out and leaving side 1's own stone counting is better.
  s.Stones[0] = {kTeeX, kTeeY};
  s.Stones[1] = {kTeeX, kTeeY + 0.7f};
  chosen = ChooseGreedy(s, kFake, 4);
  EXPECT_GE(chosen.vy, 100.0f);
  EXPECT_FLOAT_EQ(chosen.vx, kTeeX);
  EXPECT_NEAR(chosen.vy - 100.0f, kTeeY, 1e-4f);

  // A shot number outside the end still gives a delivery.
  s.ShotNum = 99;
  EXPECT_TRUE(std::isfinite(ChooseGreedy(s, kFake, 1).vx));
}

}  // namespace
}  // namespace curling::baselines
