// CreateShot and CreateHitShot: their deliveries do what they promise on an
// empty sheet, and bad aims give a delivery that never enters play.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "library_support.h"

namespace curling::simtest {
namespace {

using reference::kFriction;
using reference::kTeeX;
using reference::kTeeY;

TEST(InverseShots, DrawsComeToRestOnTheAimAcrossTheHouseAndGuardZone) {
  for (int curl : {0, 1}) {
    for (double x = 1.0; x <= 3.76; x += 0.25) {
      for (double y = 3.1; y <= 11.1; y += 0.5) {
        SCOPED_TRACE(testing::Message() << "aim " << x << ", " << y << " curl " << curl);
        const ShotVector shot = Draw(x, y, curl);
        EXPECT_EQ(shot.curl, curl);
        const GameState after = Simulate(EmptyState(0), shot);
        EXPECT_NEAR(after.Stones[0].x, x, 1e-3);
        EXPECT_NEAR(after.Stones[0].y, y, 1e-3);
      }
    }
  }
}

TEST(InverseShots, HitsPassTheAimWithTheSpeedThePowerImplies) {
  const double aims[][2] = {{kTeeX, kTeeY}, {1.7, 4.2}, {3.1, 6.1}, {2.2, 9.0}};
  for (int curl : {0, 1}) {
    for (const auto& aim : aims) {
      for (double power : {1.0, 3.66, 7.0, 12.0}) {
        SCOPED_TRACE(testing::Message() << "aim " << aim[0] << ", " << aim[1] << " curl " << curl
                                        << " power " << power);
        const sim::ShotOutcome out =
            PlayExact(EmptyState(0), Hit(aim[0], aim[1], curl, power), true, 0.005f);
        ASSERT_EQ(out.trajectories.size(), 1u);
        const auto& s = out.trajectories[0].samples;
        // Closest approach of the sampled path to the aim.
        double best = 1e9;
        size_t best_k = 1;
        for (size_t k = 1; k < s.size(); ++k) {
          const double dx = s[k].x - s[k - 1].x, dy = s[k].y - s[k - 1].y;
          const double len2 = dx * dx + dy * dy;
          const double f =
              len2 > 0
                  ? std::clamp(((aim[0] - s[k - 1].x) * dx + (aim[1] - s[k - 1].y) * dy) / len2,
                               0.0, 1.0)
                  : 0.0;
          const double d = std::hypot(s[k - 1].x + f * dx - aim[0], s[k - 1].y + f * dy - aim[1]);
          if (d < best) best = d, best_k = k;
        }
        EXPECT_LT(best, 1e-3);
        const auto& a = s[best_k - 1];
        const auto& b = s[best_k];
        if (b.t - a.t > 0.004) {
          const double speed = std::hypot(b.x - a.x, b.y - a.y) / (b.t - a.t);
          EXPECT_NEAR(speed, std::sqrt(2 * kFriction * power), 2e-3);
        }
      }
    }
  }
  // A power of zero or less is a draw.
  const ShotVector draw = Draw(2.9, 5.4, 1);
  for (float power : {0.0f, -1.0f, -1e30f}) {
    const ShotVector hit = Hit(2.9, 5.4, 1, power);
    EXPECT_EQ(hit.vx, draw.vx) << power;
    EXPECT_EQ(hit.vy, draw.vy) << power;
  }
}

TEST(InverseShots, NonFiniteAndUnreachableAimsGiveADeliveryThatNeverEntersPlay) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  auto expect_rejected = [](int ok, const ShotVector& out, int curl) {
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(out.vx, 0.0f);
    EXPECT_EQ(out.vy, 0.0f);
    EXPECT_EQ(out.curl, curl);
  };
  // The last aim would need 2 km of ice.
  for (const AimPoint& aim : {Aim(nan, 5.0, 1), Aim(2.0, nan, 0), Aim(inf, 5.0, 1),
                              Aim(2.0, -inf, 0), Aim(2.375, -2000.0, 1)}) {
    SCOPED_TRACE(testing::Message() << "aim " << aim.x << ", " << aim.y);
    ShotVector out{1.0f, 1.0f, 9, {}};
    expect_rejected(CreateShot(aim, &out), out, aim.curl);
    out = ShotVector{1.0f, 1.0f, 9, {}};
    expect_rejected(CreateHitShot(aim, 7.0f, &out), out, aim.curl);
  }
  for (float power : {nan, inf, 1e6f}) {
    ShotVector out{1.0f, 1.0f, 9, {}};
    expect_rejected(CreateHitShot(Aim(kTeeX, kTeeY, 1), power, &out), out, 1);
  }
  // Such a delivery plays no stone.
  GameState s = EmptyState(3);
  s.Stones[0] = {2.0f, 5.0f};
  const GameState after = Simulate(s, ShotVector{0.0f, 0.0f, 1, {}});
  EXPECT_TRUE(IsOut(after, 3));
  EXPECT_EQ(after.Stones[0].x, 2.0f);
  EXPECT_EQ(after.ShotNum, 4);
}

}  // namespace
}  // namespace curling::simtest
