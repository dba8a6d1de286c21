// The chance-to-win table a suite is judged by, stored in the suite file so
// that a suite's answers never move when the engine's own table is rebuilt.
// Same layout and reading rule as eval's table (docs/win-probability.md).
#pragma once

#include <vector>

namespace curling::suite {

class WinTable {
 public:
  // The table the engine uses today (eval/win_probability.h), copied.
  static WinTable FromEngine();
  // `values[ends_left][hammer][lead + max_lead]`; sizes are checked by the
  // caller (the suite reader), asserted here.
  WinTable(int max_lead, int max_ends_left, std::vector<double> values);

  // Chance to win for a side leading by `lead` with `ends_left` ends to play,
  // holding the hammer of the next end or not. Leads beyond the table are
  // read at its edge, ends left beyond it as its last row.
  double Chance(int lead, int ends_left, bool hammer) const;

  int max_lead() const { return max_lead_; }
  int max_ends_left() const { return max_ends_left_; }
  int leads() const { return 2 * max_lead_ + 1; }
  const std::vector<double>& values() const { return values_; }

  bool operator==(const WinTable&) const = default;

 private:
  int max_lead_ = 0;
  int max_ends_left_ = 0;
  std::vector<double> values_;
};

}  // namespace curling::suite
