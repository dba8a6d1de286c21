// The CI suite's answers stand: each stored value comes back exactly from
// its own samples, and a quick search of its own finds no delivery that is
// better by more than the noise.
#include <gtest/gtest.h>

#include <cmath>

#include "suite/regret.h"
#include "suite/solver.h"
#include "suite/suite_file.h"

namespace curling::suite {
namespace {

SolverSettings Quick() {
  SolverSettings s;
  s.grid.draw_step = 0.3f;
  s.grid.hit_offsets = 1;
  s.dense_samples = 16;
  s.refine_samples = 64;
  s.finalist_samples = 128;
  s.decision_samples = 256;
  s.evaluation_samples = s.most_evaluation_samples = 256;
  return s;
}

TEST(CiSuite, StoredAnswersComeBackAndAQuickSearchFindsNothingBetter) {
  SuiteRead read = LoadSuite(CI_SUITE_PATH);
  ASSERT_EQ(read.error, "");
  Suite& suite = read.suite;
  ASSERT_EQ(suite.positions.size(), 10u);
  const Sampler sampler(RulesOf(suite.header), 2);
  for (const SuitePosition& p : suite.positions) {
    ASSERT_TRUE(p.answer) << p.id;
    const std::vector<ResultCounts> counts = sampler.Count(
        StateOf(p), {p.answer->best.delivery.shot}, p.answer->samples, SampleSet::kEvaluation);
    const Estimate e = EstimateOf(counts[0], EndJudge(p, suite.header.win_table));
    EXPECT_NEAR(e.value, p.answer->best.value, 1e-12) << p.id;
    EXPECT_LE(1.96 * e.standard_error, p.objective == Objective::kWin ? 0.005 : 0.02) << p.id;
    for (const RatedDelivery& r : p.answer->runners_up)
      EXPECT_LE(r.value, p.answer->best.value) << p.id << " " << r.delivery.kind;

    SuitePosition quick = p;
    SolveGroup({&quick}, suite.header.win_table, sampler, Quick());
    const Regret r = RegretOf(p, suite.header.win_table, sampler, quick.answer->best.delivery.shot);
    EXPECT_GT(r.regret, -(3 * r.standard_error + 0.005)) << p.id << ": a quick search did better";
  }
}

}  // namespace
}  // namespace curling::suite
