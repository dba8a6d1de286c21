#include "suite/win_table.h"

#include <algorithm>
#include <cassert>

#include "eval/win_probability.h"

namespace curling::suite {
namespace {

// The engine's table spans leads -15..15 and 0..10 ends left.
constexpr int kEngineMaxLead = 15;
constexpr int kEngineMaxEndsLeft = 10;

}  // namespace

WinTable WinTable::FromEngine() {
  std::vector<double> values;
  for (int n = 0; n <= kEngineMaxEndsLeft; ++n) {
    for (int hammer = 0; hammer < 2; ++hammer) {
      for (int lead = -kEngineMaxLead; lead <= kEngineMaxLead; ++lead)
        values.push_back(WinProbability(lead, n, hammer == 1));
    }
  }
  return WinTable(kEngineMaxLead, kEngineMaxEndsLeft, std::move(values));
}

WinTable::WinTable(int max_lead, int max_ends_left, std::vector<double> values)
    : max_lead_(max_lead), max_ends_left_(max_ends_left), values_(std::move(values)) {
  assert(max_lead_ >= 0 && max_ends_left_ >= 0);
  assert(values_.size() == static_cast<size_t>((max_ends_left_ + 1) * 2 * leads()));
}

double WinTable::Chance(int lead, int ends_left, bool hammer) const {
  const int n = std::clamp(ends_left, 0, max_ends_left_);
  const int d = std::clamp(lead, -max_lead_, max_lead_);
  const size_t index = (static_cast<size_t>(n) * 2 + (hammer ? 1 : 0)) * leads() + d + max_lead_;
  const double p = values_[index];
  assert(p >= 0.0 && p <= 1.0);
  return p;
}

}  // namespace curling::suite
