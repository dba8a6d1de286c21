// The solver finds the answers any curler agrees on, and gives the same
// answer on a grid twice as dense; its samples are the same on any number
// of threads.
#include <gtest/gtest.h>

#include <cmath>

#include "curling_simulator/rink.h"
#include "suite/solver.h"

namespace curling::suite {
namespace {

// Fewer samples and a coarser grid than a real solve: the answers asked
// for here are clear-cut.
SolverSettings QuickSettings() {
  SolverSettings s;
  s.grid.draw_step = 0.3f;
  s.grid.hit_offsets = 1;
  s.dense_samples = 16;
  s.refine_samples = 64;
  s.finalist_samples = 128;
  s.decision_samples = 256;
  s.evaluation_samples = 1024;
  s.most_evaluation_samples = 1024;
  return s;
}

SuitePosition LastStone(GameContext context) {
  SuitePosition p;
  p.id = "p";
  p.shot = 15;
  p.context = context;
  return p;
}

double DistanceToTee(float x, float y) {
  return std::hypot(x - sim::kTeeX, y - sim::kTeeY);
}

Answer Solve(SuitePosition p, const SolverSettings& settings = QuickSettings()) {
  const Sampler sampler(SampleRules{}, 2);
  const WinTable table = WinTable::FromEngine();
  SolveGroup({&p}, table, sampler, settings);
  EXPECT_TRUE(p.answer);
  return *p.answer;
}

TEST(Solver, TakesOutALoneOpponentStoneOnTheButtonInATiedLastEnd) {
  SuitePosition p = LastStone({7, 7, 4, 4});
  p.stones[0] = {static_cast<float>(sim::kTeeX), static_cast<float>(sim::kTeeY)};
  const Answer a = Solve(p);
  EXPECT_EQ(a.best.delivery.kind, "hit");
  EXPECT_LT(DistanceToTee(a.best.delivery.x, a.best.delivery.y), 2 * sim::kStoneRadius);
  EXPECT_GT(a.best.value, 0.7);  // a miss loses, a hit blanks at worst
  ASSERT_FALSE(a.runners_up.empty());
  for (const RatedDelivery& r : a.runners_up)
    EXPECT_LE(r.value, a.best.value);
  EXPECT_EQ(a.samples, 1024);
}

TEST(Solver, DrawsIntoAnEmptyHouseForTheWin) {
  const Answer a = Solve(LastStone({7, 7, 4, 4}));
  EXPECT_EQ(a.best.delivery.kind, "draw");
  EXPECT_LT(DistanceToTee(a.best.delivery.x, a.best.delivery.y), sim::kHouseRadius);
  EXPECT_GT(a.best.value, 0.95);
}

TEST(Solver, GivesTheSameAnswerOnAGridTwiceAsDense) {
  // Own stone in the house behind an opponent's guard, opponent's shot stone
  // half covered: draws, hits and raises all have a case.
  SuitePosition p = LastStone({7, 7, 4, 5});
  p.stones[0] = {2.45f, 4.75f};
  p.stones[1] = {2.0f, 5.6f};
  p.stones[2] = {2.3f, 7.4f};
  // The solver's own grid (the quick one misses the exact firm hits here).
  SolverSettings coarse = QuickSettings();
  coarse.grid = GridSettings{};
  coarse.evaluation_samples = coarse.most_evaluation_samples = 4096;
  const Answer a = Solve(p, coarse);
  SolverSettings dense = coarse;
  dense.grid = coarse.grid.Refined(2);
  const Answer b = Solve(p, dense);
  const double noise = 3 * std::hypot(a.best.standard_error, b.best.standard_error);
  EXPECT_NEAR(a.best.value, b.best.value, noise + 0.02)
      << a.best.delivery.kind << " " << a.best.delivery.x << " " << a.best.delivery.power << " / "
      << b.best.delivery.kind << " " << b.best.delivery.x << " " << b.best.delivery.power;
}

TEST(Sampler, SamplesAreTheSameOnAnyNumberOfThreadsAndForEveryDelivery) {
  GameState state{};
  state.ShotNum = 15;
  state.Stones[0] = {2.4f, 5.0f};
  const std::vector<ShotVector> shots = {
      DrawTo(2.3f, 4.9f, 1).shot, HitAt(2.4f, 5.0f, 3.0f, 0).shot, DrawTo(2.3f, 4.9f, 1).shot};
  const auto one = Sampler(SampleRules{}, 1).Play(state, shots, 300, SampleSet::kSearch);
  const auto four = Sampler(SampleRules{}, 4).Play(state, shots, 300, SampleSet::kSearch);
  EXPECT_EQ(one, four);
  EXPECT_EQ(one[0], one[2]);
  EXPECT_NE(one[0], one[1]);
  // The evaluation's samples are other throws.
  EXPECT_NE(Sampler(SampleRules{}, 1).Play(state, shots, 300, SampleSet::kEvaluation)[0], one[0]);
}

}  // namespace
}  // namespace curling::suite
