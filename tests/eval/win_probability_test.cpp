// Invariants of the win-probability table, whatever self-play it was built
// from, and how an end's result moves the lead and the hammer.
#include <gtest/gtest.h>

#include "eval/win_probability.h"

namespace curling {
namespace {

constexpr int kLeads = 15;
constexpr int kEnds = 10;

TEST(WinProbabilityTest, TableInvariants) {
  for (int n = 0; n <= kEnds; ++n) {
    for (int h = 0; h < 2; ++h) {
      for (int d = -kLeads; d <= kLeads; ++d) {
        const double p = WinProbability(d, n, h == 1);
        ASSERT_GE(p, 0.0);
        ASSERT_LE(p, 1.0);
        // More lead never lowers the chance.
        if (d > -kLeads) {
          EXPECT_GE(p, WinProbability(d - 1, n, h == 1)) << d << " " << n;
        }
        // The two sides' chances add up to one.
        EXPECT_NEAR(p + WinProbability(-d, n, h == 0), 1.0, 1e-9) << d << " " << n << " " << h;
      }
    }
    // The last stone is worth something at a tie.
    EXPECT_GT(WinProbability(0, n, true), 0.5) << n;
    EXPECT_LT(WinProbability(0, n, false), 0.5) << n;
  }
  // With no end left the game is decided, except a tie (extra ends).
  EXPECT_EQ(WinProbability(1, 0, false), 1.0);
  EXPECT_EQ(WinProbability(-1, 0, true), 0.0);
  // Beyond the table: clamped, not read out of bounds.
  EXPECT_EQ(WinProbability(40, 3, false), WinProbability(kLeads, 3, false));
  EXPECT_EQ(WinProbability(-2, 99, true), WinProbability(-2, kEnds, true));
  EXPECT_EQ(WinProbability(0, -4, true), WinProbability(0, 0, true));
}

TEST(WinProbabilityTest, EndResultMovesLeadAndHammer) {
  struct Case {
    int lead_before;
    int hammer_points;
    int lead_after;
    bool hammer_after;  // for the side that held it
  };
  const Case cases[] = {
      {0, 0, 0, true},    // a blank keeps the hammer
      {0, 1, 1, false},   // scoring gives it up
      {-2, 3, 1, false},  //
      {1, -1, 0, true},   // a steal hands it back
      {0, -2, -2, true},  //
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WinProbabilityAfterEnd(c.lead_before, c.hammer_points, 3),
              WinProbability(c.lead_after, 3, c.hammer_after))
        << c.lead_before << " " << c.hammer_points;
  }
}

}  // namespace
}  // namespace curling
