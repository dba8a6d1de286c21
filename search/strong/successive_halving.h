// Successive halving over a fixed set of candidates: every round spreads its
// rollouts evenly over the candidates still in, then keeps the better half by
// mean value, until one is left. Each round gets an equal share of the budget
// (rollouts or time), so the last few candidates get the most rollouts.
//
// Values are summed as fixed-point integers, so the statistics do not depend
// on the order in which rollouts finish (or on which thread ran them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace curling::strong {

class SuccessiveHalving {
 public:
  explicit SuccessiveHalving(int candidates);

  // Rounds in all: ceil(log2(candidates)), 0 for a single candidate.
  int rounds() const { return rounds_; }
  int round() const { return round_; }
  bool finished() const { return round_ >= rounds_; }
  const std::vector<int>& survivors() const { return survivors_; }

  // Item `item` of the current round (0, 1, 2, ...): the candidate it samples
  // and that candidate's sample number (its rollouts numbered from 0 over the
  // whole search), round-robin over the survivors.
  int CandidateOf(int64_t item) const;
  int64_t SampleOf(int64_t item) const;

  // Rollouts of a round with `budget` rollouts left over `rounds_left` rounds
  // (this one included): an equal share, but at least one per survivor.
  int64_t RoundItems(int64_t budget) const;

  // Values in [0, 2) added for `candidate`, then the round closed: survivors
  // ranked by mean (unsampled ones last, ties by candidate number) and the
  // better half, rounded up, kept.
  void Add(int candidate, int64_t fixed_sum, int64_t count);
  void EndRound();

  // The leading candidate: the best mean among the survivors.
  int Best() const;
  double Mean(int candidate) const;
  int64_t Count(int candidate) const { return counts_[static_cast<size_t>(candidate)]; }
  int64_t TotalCount() const;

  static int64_t ToFixed(double value);

 private:
  bool Better(int a, int b) const;

  int rounds_ = 0;
  int round_ = 0;
  std::vector<int> survivors_;
  std::vector<int64_t> round_start_counts_;  // per candidate, when the round began
  std::vector<int64_t> sums_;
  std::vector<int64_t> counts_;
};

}  // namespace curling::strong
