#include "suite/regret.h"

#include <cassert>
#include <cmath>

#include "suite/end_result.h"

namespace curling::suite {

Regret RegretOf(const SuitePosition& position, const WinTable& table, const Sampler& sampler,
                const ShotVector& chosen) {
  assert(position.answer);
  const Answer& answer = *position.answer;
  const std::vector<SamplePoints> points =
      sampler.Play(StateOf(position), {answer.best.delivery.shot, chosen}, answer.samples,
                   SampleSet::kEvaluation);
  const EndJudge judge(position, table);
  double best = 0.0, mine = 0.0, sum = 0.0, squares = 0.0;
  for (size_t j = 0; j < points[0].size(); ++j) {
    const double b = judge.Value(points[0][j]);
    const double c = judge.Value(points[1][j]);
    best += b;
    mine += c;
    sum += b - c;
    squares += (b - c) * (b - c);
  }
  const double n = static_cast<double>(points[0].size());
  Regret r;
  r.best_value = best / n;
  r.chosen_value = mine / n;
  r.regret = sum / n;
  const double variance = std::max(squares / n - r.regret * r.regret, 0.0);
  r.standard_error = n > 1 ? std::sqrt(variance / (n - 1)) : 0.0;
  return r;
}

}  // namespace curling::suite
