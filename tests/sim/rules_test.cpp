// Leaving play (side boards, back line, hog line) and the free guard zone rule.
#include <gtest/gtest.h>

#include <cstring>

#include "library_support.h"

namespace curling::simtest {
namespace {

TEST(Rules, SideBoardsAndBackLine) {
  // A delivery drifting off the sheet leaves at the side board.
  {
    const ShotVector shot{0.2f, -2.5f, 1, {}};
    const sim::ShotOutcome out = PlayExact(EmptyState(6), shot);
    EXPECT_TRUE(IsOut(out.final_state, 6));
    EXPECT_TRUE(HasEvent(out, sim::EventKind::kLeftSide, 6));
  }
  // A stone struck toward the side board leaves there; one resting near it
  // (but more than a radius in) stays.
  {
    GameState s = EmptyState(6);
    s.Stones[0] = {4.3f, 6.0f};
    s.Stones[1] = {0.2f, 7.0f};
    const ShotVector shot = Hit(4.1, 6.0, 1, 7.0);
    const sim::ShotOutcome out = PlayExact(s, shot);
    EXPECT_TRUE(IsOut(out.final_state, 0));
    EXPECT_TRUE(HasEvent(out, sim::EventKind::kLeftSide, 0));
    EXPECT_EQ(out.final_state.Stones[1].x, 0.2f);
    EXPECT_EQ(out.final_state.Stones[1].y, 7.0f);
    EXPECT_LT(MaxStoneDistance(out.final_state, Reference(s, shot).final_state), 1e-3);
  }
  // Through the house at takeout weight: wholly beyond the back line.
  {
    const sim::ShotOutcome out = PlayExact(EmptyState(6), Hit(2.375, 4.88, 0, 12.0));
    EXPECT_TRUE(IsOut(out.final_state, 6));
    EXPECT_TRUE(HasEvent(out, sim::EventKind::kLeftBack, 6));
  }
  // Resting with the centre behind the back line but not wholly beyond it
  // (y > 3.05 - 0.145) is in play; coming to y = 2.85 is not.
  {
    GameState s = EmptyState(6);
    s.Stones[2] = {1.5f, 2.95f};
    const GameState kept = Simulate(s, Draw(2.8, 2.95, 1));
    EXPECT_NEAR(kept.Stones[6].y, 2.95, 1e-3);
    EXPECT_EQ(kept.Stones[2].y, 2.95f);
    EXPECT_TRUE(IsOut(Simulate(s, Draw(2.8, 2.85, 1)), 6));
  }
}

TEST(Rules, HogLineAndItsExceptionForAStoneThatTouchedAnother) {
  for (int curl : {0, 1}) {
    // Short of the hog line, or on it without wholly crossing it (centre
    // beyond 11.28 - 0.145): removed. Wholly across: stays.
    for (double y : {12.0, 11.2}) {
      const sim::ShotOutcome out = PlayExact(EmptyState(8), Draw(2.375, y, curl));
      EXPECT_TRUE(IsOut(out.final_state, 8)) << y;
      EXPECT_TRUE(HasEvent(out, sim::EventKind::kHogLine, 8)) << y;
    }
    const GameState across = Simulate(EmptyState(8), Draw(2.375, 11.1, curl));
    EXPECT_NEAR(across.Stones[8].y, 11.1, 1e-3);

    // A stone short of the hog line that touched another stays, and so does
    // the stone it moved.
    GameState s = EmptyState(8);
    s.Stones[3] = {2.375f, 14.0f};
    const ShotVector nudge = Hit(2.375, 14.0, curl, 0.4);
    const sim::ShotOutcome out = PlayExact(s, nudge);
    EXPECT_FALSE(IsOut(out.final_state, 8));
    EXPECT_GT(out.final_state.Stones[8].y, 14.0f);
    EXPECT_LT(out.final_state.Stones[3].y, 14.0f);
    EXPECT_FALSE(HasEvent(out, sim::EventKind::kHogLine, 8));
    EXPECT_LT(MaxStoneDistance(out.final_state, Reference(s, nudge).final_state), 1e-3);
  }
}

TEST(Rules, FreeGuardZoneRestoresThePositionAtShotsZeroToFour) {
  // Opponent guard (stone 0, side 0) taken out by side 1 at shot 3, with a
  // house stone and another guard that must come back too.
  GameState s = EmptyState(3);
  s.CurEnd = 4;
  s.Score[2] = 1;
  s.Stones[0] = {2.375f, 8.5f};
  s.Stones[1] = {2.1f, 4.5f};
  s.Stones[2] = {3.3f, 9.5f};
  const ShotVector takeout = Hit(2.375, 8.5, 0, 12.0);
  sim::ShotOutcome out = PlayExact(s, takeout);
  GameState expected = s;
  expected.ShotNum = 4;
  EXPECT_EQ(0, std::memcmp(&out.final_state, &expected, sizeof(GameState)))
      << "stones restored, delivered stone 3 stays out of play";
  EXPECT_TRUE(HasEvent(out, sim::EventKind::kFreeGuardZone, 3));
  const GameState c_result = Simulate(s, takeout);
  EXPECT_EQ(0, std::memcmp(&c_result, &expected, sizeof(GameState)));

  // The same guard taken out through another stone (own stone 1 driven into it).
  GameState chain = EmptyState(3);
  chain.Stones[1] = {2.375f, 9.6f};
  chain.Stones[0] = {2.375f, 8.0f};
  const ShotVector through = Hit(2.375, 9.6, 1, 12.0);
  out = PlayExact(chain, through);
  EXPECT_TRUE(HasEvent(out, sim::EventKind::kFreeGuardZone, 3));
  EXPECT_EQ(out.final_state.Stones[0].y, 8.0f);
  EXPECT_EQ(out.final_state.Stones[1].y, 9.6f);
  EXPECT_TRUE(IsOut(out.final_state, 3));

  // At shot 0 to 4 only opponent guards are protected: at shot 4 (side 0
  // throws) its own guard (stone 0) may go, an opponent's (stone 1) not.
  GameState own = EmptyState(4);
  own.Stones[0] = {2.375f, 8.5f};
  out = PlayExact(own, takeout);
  EXPECT_TRUE(IsOut(out.final_state, 0));
  EXPECT_FALSE(HasEvent(out, sim::EventKind::kFreeGuardZone, 4));
  GameState theirs = EmptyState(4);
  theirs.Stones[1] = {2.375f, 8.5f};
  out = PlayExact(theirs, takeout);
  EXPECT_EQ(out.final_state.Stones[1].y, 8.5f);
  EXPECT_TRUE(IsOut(out.final_state, 4));

  // Moving a guard without putting it out of play is allowed.
  out = PlayExact(s, Hit(2.375, 8.5, 0, 2.0));
  EXPECT_FALSE(HasEvent(out, sim::EventKind::kFreeGuardZone, 3));
  EXPECT_FALSE(IsOut(out.final_state, 0));
  EXPECT_NE(out.final_state.Stones[0].y, 8.5f);

  // A stone in the house is not a guard.
  GameState house = EmptyState(1);
  house.Stones[0] = {2.375f, 5.5f};
  EXPECT_TRUE(IsOut(Simulate(house, Hit(2.375, 5.5, 1, 12.0)), 0));
}

TEST(Rules, FreeGuardZoneEndsAtShotFiveAndCanBeSwitchedOff) {
  GameState s = EmptyState(5);
  s.Stones[0] = {2.375f, 8.5f};
  const ShotVector takeout = Hit(2.375, 8.5, 1, 12.0);
  EXPECT_TRUE(IsOut(Simulate(s, takeout), 0));

  s.ShotNum = 1;
  EXPECT_FALSE(IsOut(Simulate(s, takeout), 0));
  EXPECT_TRUE(IsOut(PlayExact(s, takeout, false).final_state, 0));
  SetFreeGuardZoneRule(0);
  const GameState off = Simulate(s, takeout);
  SetFreeGuardZoneRule(1);
  EXPECT_TRUE(IsOut(off, 0));
  EXPECT_FALSE(IsOut(Simulate(s, takeout), 0)) << "on again";
}

}  // namespace
}  // namespace curling::simtest
