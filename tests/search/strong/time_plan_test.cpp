// The time plan: fixed times, the default, and that a budget planned shot by
// shot lasts the whole game, deciding stones getting more.
#include <gtest/gtest.h>

#include "search/strong/time_plan.h"

namespace curling::strong {
namespace {

GameState Shot(int shot, int end = 0, int last_end = 7) {
  GameState state{};
  state.ShotNum = shot;
  state.CurEnd = end;
  state.LastEnd = last_end;
  return state;
}

TEST(TimePlanTest, FixedTimeDefaultAndSafeShare) {
  const GameSituation tied{0, 5};
  EXPECT_EQ(PlanShotSeconds({}, Shot(3), tied), kDefaultShotSeconds);
  EXPECT_EQ(PlanShotSeconds({0.25, std::nullopt}, Shot(3), tied), 0.25);
  // A fixed time never eats a budget that cannot bear it.
  EXPECT_LT(PlanShotSeconds({5.0, 4.0}, Shot(3), tied), 1.0);
  EXPECT_EQ(PlanShotSeconds({std::nullopt, 0.0}, Shot(3), tied), 0.0);
  EXPECT_EQ(PlanShotSeconds({std::nullopt, -3.0}, Shot(3), tied), 0.0);
  // A budget that cannot be planned from is no budget.
  EXPECT_EQ(PlanShotSeconds({std::nullopt, 1.0 / 0.0}, Shot(3), tied), kDefaultShotSeconds);
  // However large the budget, no shot is planned past the longest --shot-time.
  for (double huge : {1e6, 1e12, 9.3e18, 1e30, 3.4e38}) {
    for (int shot : {0, 14}) {
      const double planned = PlanShotSeconds({std::nullopt, huge}, Shot(shot), tied);
      EXPECT_GT(planned, 60.0) << huge;
      EXPECT_LE(planned, kMostShotSeconds) << huge;
    }
    EXPECT_EQ(PlanShotSeconds({kMostShotSeconds, huge}, Shot(3), tied), kMostShotSeconds);
  }
}

TEST(TimePlanTest, DecidingStonesAndCloseGamesGetMore) {
  const TimeControl budget{std::nullopt, 600.0};
  EXPECT_GT(PlanShotSeconds(budget, Shot(14), {0, 5}), PlanShotSeconds(budget, Shot(4), {0, 5}));
  EXPECT_GT(PlanShotSeconds(budget, Shot(6), {1, 5}), PlanShotSeconds(budget, Shot(6), {6, 5}));
}

// Plays out the budget of one side over a game of `ends` ends (plus one
// extra end), each shot taking what the plan says.
double LeftAfterGame(double budget, int ends, int lead) {
  double left = budget;
  for (int end = 0; end <= ends; ++end) {
    const int last_end = end < ends ? ends - 1 : end;
    for (int shot = end % 2; shot < 16; shot += 2) {
      const double spent = PlanShotSeconds({std::nullopt, left}, Shot(shot, end, last_end),
                                           {lead, std::max(0, last_end - end)});
      EXPECT_GE(spent, 0.0);
      EXPECT_LE(spent, left) << "end " << end << " shot " << shot;
      left -= spent;
    }
  }
  return left;
}

TEST(TimePlanTest, BudgetLastsTheWholeGame) {
  for (double budget : {1800.0, 60.0, 2.0}) {
    for (int lead : {0, 3, -7}) {
      const double left = LeftAfterGame(budget, 8, lead);
      EXPECT_GT(left, 0.0) << budget;
      EXPECT_LT(left, 0.6 * budget) << budget << ": most of the budget is used";
    }
  }
}

}  // namespace
}  // namespace curling::strong
