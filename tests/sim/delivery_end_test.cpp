// A stone whose centre passes beyond the delivery point while moving leaves
// play: no stone ever comes to rest behind it.
#include <gtest/gtest.h>

#include "library_support.h"
#include "support/hostile_inputs.h"

namespace curling::simtest {
namespace {

using reference::kDeliveryY;

// The delivered stone (14) heads up the sheet or bounces back off a stone
// near the delivery point.
TEST(DeliveryEnd, StonesHeadingUpTheSheetLeavePlayThere) {
  struct Case {
    const char* what;
    StonePosition stone;  // stone 0, or (0, 0) for none
    ShotVector shot;
  };
  const Case cases[] = {
      {"delivered backwards", {0.0f, 0.0f}, {0.0f, 1.0f, 1, {0, 0, 0}}},
      {"delivered sideways, curling up", {0.0f, 0.0f}, {0.3f, 0.0f, 1, {0, 0, 0}}},
      {"sideways from a stone on the delivery point", {2.375f, 41.28f}, {0.3f, 0.0f, 1, {0, 0, 0}}},
      {"bouncing back off a stone", {2.6f, 41.0f}, {0.6f, -0.2f, 0, {0, 0, 0}}},
      {"bouncing back off a stone to the side", {2.9f, 41.22f}, {0.8f, 0.0f, 0, {0, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GameState s = EmptyState(14);
    s.Stones[0] = c.stone;
    const sim::ShotOutcome out = PlayExact(s, c.shot);
    EXPECT_TRUE(HasEvent(out, sim::EventKind::kLeftDeliveryEnd, 14));
    EXPECT_TRUE(IsOut(out.final_state, 14));
    for (int i = 0; i < 16; ++i)
      EXPECT_LE(out.final_state.Stones[i].y, kDeliveryY) << "stone " << i;
  }
}

// Every stone of every hostile call ends on the sheet or at (0, 0): the
// positions around the delivery point met by deliveries of every direction.
TEST(DeliveryEnd, NoStoneComesToRestBehindTheDeliveryPoint) {
  const std::vector<ShotVector> shots = scenes::HostileDeliveries(kReduced ? 7 : 1);
  for (const scenes::HostilePosition& p : scenes::HostilePositions()) {
    for (const ShotVector& shot : shots) {
      for (float error : scenes::kHostileErrors) {
        const GameState out = Simulate(p.state, shot, error);
        for (int i = 0; i < 16; ++i) {
          if (IsOut(out, i)) continue;
          ASSERT_LE(out.Stones[i].y, kDeliveryY)
              << p.name << "; shot (" << shot.vx << ", " << shot.vy << ", " << int(shot.curl)
              << "), error " << error << ": stone " << i;
        }
      }
    }
  }
}

}  // namespace
}  // namespace curling::simtest
