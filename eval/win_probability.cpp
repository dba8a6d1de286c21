#include "eval/win_probability.h"

#include <algorithm>
#include <cassert>
#include <iterator>

namespace curling {
namespace {

#include "eval/win_table_data.inc"

}  // namespace

double WinProbability(int lead, int ends_left, bool hammer) {
  const int n = std::clamp(ends_left, 0, kWinTableMaxEndsLeft);
  const int d = std::clamp(lead, -kWinTableMaxLead, kWinTableMaxLead);
  assert(n < static_cast<int>(std::size(kWinTable)));
  assert(d + kWinTableMaxLead >= 0 &&
         d + kWinTableMaxLead < static_cast<int>(std::size(kWinTable[0][0])));
  const double p = kWinTable[n][hammer ? 1 : 0][d + kWinTableMaxLead];
  assert(p >= 0.0 && p <= 1.0);
  return p;
}

double WinProbabilityAfterEnd(int lead_before, int hammer_points, int ends_left) {
  // Leads are far inside int range here: points per end are at most 8.
  assert(hammer_points >= -8 && hammer_points <= 8);
  return WinProbability(lead_before + hammer_points, ends_left, hammer_points <= 0);
}

}  // namespace curling
