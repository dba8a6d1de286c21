#include "search/strong/successive_halving.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace curling::strong {
namespace {

constexpr double kFixedScale = 4294967296.0;  // 2^32: values below 2 sum exactly for 2^30 rollouts

}  // namespace

SuccessiveHalving::SuccessiveHalving(int candidates)
    : round_start_counts_(static_cast<size_t>(std::max(candidates, 0)), 0),
      sums_(round_start_counts_.size(), 0),
      counts_(round_start_counts_.size(), 0) {
  assert(candidates >= 0);
  for (int c = 0; c < candidates; ++c)
    survivors_.push_back(c);
  while ((1 << rounds_) < candidates)
    ++rounds_;
  assert(rounds_ == 0 || (1 << (rounds_ - 1)) < candidates);
}

int SuccessiveHalving::CandidateOf(int64_t item) const {
  assert(!survivors_.empty() && item >= 0);
  return survivors_[static_cast<size_t>(item % static_cast<int64_t>(survivors_.size()))];
}

int64_t SuccessiveHalving::SampleOf(int64_t item) const {
  const int c = CandidateOf(item);
  return round_start_counts_[static_cast<size_t>(c)] +
         item / static_cast<int64_t>(survivors_.size());
}

int64_t SuccessiveHalving::RoundItems(int64_t budget) const {
  assert(!finished());
  const int64_t share = budget / (rounds_ - round_);
  return std::max<int64_t>(share, static_cast<int64_t>(survivors_.size()));
}

int64_t SuccessiveHalving::ToFixed(double value) {
  assert(value >= 0.0 && value < 2.0);
  return std::llround(value * kFixedScale);
}

void SuccessiveHalving::Add(int candidate, int64_t fixed_sum, int64_t count) {
  assert(candidate >= 0 && static_cast<size_t>(candidate) < sums_.size());
  // Rollouts of a round come from its survivors only, each worth [0, 2).
  assert(std::find(survivors_.begin(), survivors_.end(), candidate) != survivors_.end());
  assert(count > 0 && fixed_sum >= 0);
  sums_[static_cast<size_t>(candidate)] += fixed_sum;
  counts_[static_cast<size_t>(candidate)] += count;
}

double SuccessiveHalving::Mean(int candidate) const {
  assert(candidate >= 0 && static_cast<size_t>(candidate) < counts_.size());
  const size_t c = static_cast<size_t>(candidate);
  if (counts_[c] == 0) return -1.0;
  return static_cast<double>(sums_[c]) / kFixedScale / static_cast<double>(counts_[c]);
}

bool SuccessiveHalving::Better(int a, int b) const {
  const double ma = Mean(a);
  const double mb = Mean(b);
  return ma > mb || (ma == mb && a < b);
}

void SuccessiveHalving::EndRound() {
  assert(!finished());
  const size_t before = survivors_.size();
  std::sort(survivors_.begin(), survivors_.end(), [this](int a, int b) { return Better(a, b); });
  survivors_.resize((before + 1) / 2);
  std::sort(survivors_.begin(), survivors_.end());  // round-robin in candidate order
  for (size_t c = 0; c < counts_.size(); ++c)
    round_start_counts_[c] = counts_[c];
  ++round_;
  // ceil(log2(n)) halvings, each rounded up, leave exactly one of n >= 1.
  assert(!finished() || survivors_.size() == 1);
  assert(survivors_.size() < before);
}

int SuccessiveHalving::Best() const {
  assert(!survivors_.empty());
  int best = survivors_[0];
  for (int c : survivors_) {
    if (Better(c, best)) best = c;
  }
  return best;
}

int64_t SuccessiveHalving::TotalCount() const {
  int64_t total = 0;
  for (int64_t c : counts_)
    total += c;
  return total;
}

}  // namespace curling::strong
