// CreateShot and CreateHitShot: the deliveries they return do what they
// promise on an empty sheet, and bad aims give a delivery that never enters
// play.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "library_support.h"

namespace curling::simtest {
namespace {

using reference::kFriction;
using reference::kTeeX;
using reference::kTeeY;

constexpr double kAimTolerance = 1e-3;  // 1 mm

TEST(InverseShots, DrawsComeToRestOnTheAimAcrossTheHouseAndGuardZone) {
  int checked = 0;
  for (int curl : {0, 1}) {
    for (double x = 1.0; x <= 3.76; x += 0.25) {
      for (double y = 3.1; y <= 11.1; y += 0.5) {
        SCOPED_TRACE(testing::Message() << "aim " << x << ", " << y << " curl " << curl);
        ShotVector shot{};
        ASSERT_EQ(CreateShot(Aim(x, y, curl), &shot), 1);
        EXPECT_EQ(shot.curl, curl);
        const GameState after = Simulate(EmptyState(0), shot);
        EXPECT_NEAR(after.Stones[0].x, x, kAimTolerance);
        EXPECT_NEAR(after.Stones[0].y, y, kAimTolerance);
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 300);
}

// Distance from (px, py) to the segment a-b, and where along it (0..1).
double SegmentDistance(const sim::TrajectorySample& a, const sim::TrajectorySample& b, double px,
                       double py, double& f) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  f = len2 > 0 ? std::clamp(((px - a.x) * dx + (py - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
  return std::hypot(a.x + f * dx - px, a.y + f * dy - py);
}

TEST(InverseShots, HitsPassTheAimWithTheSpeedThePowerImplies) {
  const double aims[][2] = {{kTeeX, kTeeY}, {1.7, 4.2}, {3.1, 6.1}, {2.2, 9.0}};
  for (int curl : {0, 1}) {
    for (const auto& aim : aims) {
      for (double power : {1.0, 3.66, 7.0, 12.0}) {
        SCOPED_TRACE(testing::Message() << "aim " << aim[0] << ", " << aim[1] << " curl " << curl
                                        << " power " << power);
        const ShotVector shot = Hit(aim[0], aim[1], curl, power);
        EXPECT_EQ(shot.curl, curl);
        sim::RandomStream stream;
        const sim::ShotOutcome out =
            sim::PlayShot(EmptyState(0), shot, 0.0f, stream, sim::Rules{}, 0.005f);
        ASSERT_EQ(out.trajectories.size(), 1u);
        const auto& s = out.trajectories[0].samples;
        double best = 1e9, best_t = 0.0;
        size_t best_k = 0;
        for (size_t k = 1; k < s.size(); ++k) {
          double f;
          const double d = SegmentDistance(s[k - 1], s[k], aim[0], aim[1], f);
          if (d < best) best = d, best_k = k, best_t = s[k - 1].t + f * (s[k].t - s[k - 1].t);
        }
        EXPECT_LT(best, kAimTolerance);
        // The mean speed over the 5 ms around the aim is the speed there.
        ASSERT_GT(best_k, 0u);
        const auto& a = s[best_k - 1];
        const auto& b = s[best_k];
        if (b.t - a.t > 0.004) {
          const double speed = std::hypot(b.x - a.x, b.y - a.y) / (b.t - a.t);
          EXPECT_NEAR(speed, std::sqrt(2 * kFriction * power), 2e-3);
        }
        // From the aim on the stone runs `power` metres more, unless it
        // leaves play first; the time left to stop is v1 / a.
        if (out.final_state.Stones[0].x != 0.0f) {
          EXPECT_NEAR(s.back().t - best_t, std::sqrt(2 * kFriction * power) / kFriction, 2e-3);
        }
      }
    }
  }
}

TEST(InverseShots, PowerOfZeroOrLessIsADrawAndCurlOneAimsLeft) {
  for (int curl : {0, 1}) {
    const ShotVector draw = Draw(2.9, 5.4, curl);
    for (float power : {0.0f, -1.0f, -1e30f}) {
      const ShotVector hit = Hit(2.9, 5.4, curl, power);
      EXPECT_FLOAT_EQ(hit.vx, draw.vx) << power;
      EXPECT_FLOAT_EQ(hit.vy, draw.vy) << power;
    }
    // Firmer hits are faster and aim nearer the target (less curl to allow).
    const ShotVector soft = Hit(kTeeX, kTeeY, curl, 2.0);
    const ShotVector firm = Hit(kTeeX, kTeeY, curl, 12.0);
    EXPECT_LT(std::hypot(soft.vx, soft.vy), std::hypot(firm.vx, firm.vy));
    EXPECT_LT(std::abs(firm.vx), std::abs(soft.vx));
    // Flag 1 bends toward larger x, so it starts aimed to the left.
    EXPECT_EQ(soft.vx < 0, curl == 1);
    EXPECT_EQ(draw.vx < 0, curl == 1);
  }
  // Both are pure: the same aim gives the same delivery, bit for bit.
  const ShotVector a = Draw(1.9, 6.2, 1), b = Draw(1.9, 6.2, 1);
  EXPECT_EQ(0, std::memcmp(&a, &b, 9));
}

TEST(InverseShots, NonFiniteAndUnreachableAimsGiveADeliveryThatNeverEntersPlay) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // Non-finite aims, an aim no speed up to 12 m/s reaches (the stone would
  // need 2 km of ice), and non-finite or unreachable powers: each returns 0
  // and the delivery (0, 0, flag).
  const AimPoint bad_aims[] = {Aim(nan, 5.0, 1), Aim(2.0, nan, 0), Aim(inf, 5.0, 1),
                               Aim(2.0, -inf, 0), Aim(2.375, -2000.0, 1)};
  for (const AimPoint& aim : bad_aims) {
    SCOPED_TRACE(testing::Message() << "aim " << aim.x << ", " << aim.y);
    ShotVector out{1.0f, 1.0f, 9, {}};
    EXPECT_EQ(CreateShot(aim, &out), 0);
    EXPECT_EQ(out.vx, 0.0f);
    EXPECT_EQ(out.vy, 0.0f);
    EXPECT_EQ(out.curl, aim.curl);
    out = ShotVector{1.0f, 1.0f, 9, {}};
    EXPECT_EQ(CreateHitShot(aim, 7.0f, &out), 0);
    EXPECT_EQ(out.vx, 0.0f);
    EXPECT_EQ(out.vy, 0.0f);
    EXPECT_EQ(out.curl, aim.curl);
  }
  for (float power : {nan, inf, -nan, 1e6f, 1e30f}) {
    SCOPED_TRACE(testing::Message() << "power " << power);
    ShotVector out{1.0f, 1.0f, 9, {}};
    EXPECT_EQ(CreateHitShot(Aim(kTeeX, kTeeY, 1), power, &out), 0);
    EXPECT_EQ(out.vx, 0.0f);
    EXPECT_EQ(out.vy, 0.0f);
    EXPECT_EQ(out.curl, 1);
  }
  // Such a delivery plays no stone: the entry stays out of play.
  GameState s = EmptyState(3);
  s.Stones[0] = {2.0f, 5.0f};
  const GameState after = Simulate(s, ShotVector{0.0f, 0.0f, 1, {}});
  EXPECT_EQ(after.Stones[3].x, 0.0f);
  EXPECT_EQ(after.Stones[3].y, 0.0f);
  EXPECT_EQ(after.Stones[0].x, 2.0f);
  EXPECT_EQ(after.ShotNum, 4);
}

}  // namespace
}  // namespace curling::simtest
