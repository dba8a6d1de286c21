#include "suite/end_result.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace curling::suite {

void ResultCounts::Add(int points) {
  assert(points >= -kMostPoints && points <= kMostPoints);
  ++counts_[points + kMostPoints];
  ++total_;
}

void ResultCounts::Merge(const ResultCounts& other) {
  for (size_t i = 0; i < counts_.size(); ++i)
    counts_[i] += other.counts_[i];
  total_ += other.total_;
}

int64_t ResultCounts::Count(int points) const {
  assert(points >= -kMostPoints && points <= kMostPoints);
  return counts_[points + kMostPoints];
}

EndJudge::EndJudge(const SuitePosition& position, const WinTable& table)
    : objective_(position.objective),
      context_(position.context),
      thrower_has_hammer_(position.shot % 2 == 1),
      table_(&table) {}

double EndJudge::Value(int points) const {
  if (objective_ == Objective::kPoints) return points;
  // The side that scores gives up the hammer; after a blank the hammer side
  // keeps it.
  const bool hammer_next = thrower_has_hammer_ ? points <= 0 : points < 0;
  return table_->Chance(context_.lead() + points, context_.ends_left_after(), hammer_next);
}

Estimate EstimateOf(const ResultCounts& counts, const EndJudge& judge) {
  assert(counts.total() > 0);
  if (counts.total() == 0) return {};
  double sum = 0.0;
  double squares = 0.0;
  for (int k = -kMostPoints; k <= kMostPoints; ++k) {
    const double n = static_cast<double>(counts.Count(k));
    const double v = judge.Value(k);
    sum += n * v;
    squares += n * v * v;
  }
  const double total = static_cast<double>(counts.total());
  const double mean = sum / total;
  const double variance = std::max(squares / total - mean * mean, 0.0);
  return {mean, total > 1 ? std::sqrt(variance / (total - 1)) : 0.0};
}

}  // namespace curling::suite
