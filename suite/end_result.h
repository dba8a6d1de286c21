// An end's results for the side to throw, counted over samples, and what
// they are worth to it under an objective and a game context. One set of
// counts serves every context of the same stones: only the judging differs.
#pragma once

#include <array>
#include <cstdint>

#include "suite/suite.h"

namespace curling::suite {

// The signed count of the end for the side to throw, -8 to 8.
inline constexpr int kMostPoints = 8;

class ResultCounts {
 public:
  void Add(int points);
  void Merge(const ResultCounts& other);
  int64_t Count(int points) const;
  int64_t total() const { return total_; }

 private:
  std::array<int64_t, 2 * kMostPoints + 1> counts_{};
  int64_t total_ = 0;
};

// What one result is worth: the points themselves, or the chance to win the
// game after the end (the hammer passes to the side that did not score).
class EndJudge {
 public:
  EndJudge(const SuitePosition& position, const WinTable& table);
  double Value(int points) const;

 private:
  Objective objective_;
  GameContext context_;
  bool thrower_has_hammer_;  // the side throwing the odd stones holds it
  const WinTable* table_;
};

struct Estimate {
  double value = 0.0;
  double standard_error = 0.0;
};

// Mean value of the counted results and its standard error; a count of no
// samples is worth nothing (asserted against in debug builds).
Estimate EstimateOf(const ResultCounts& counts, const EndJudge& judge);

}  // namespace curling::suite
