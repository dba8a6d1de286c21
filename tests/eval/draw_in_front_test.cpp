#include "eval/draw_in_front.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "game/rink.h"
#include "tests/support/recording_simulator.h"

namespace curling::testing {
namespace {

// The aim CreateDrawInFront hands to CreateShot; the delivery it returns is
// the library's.
AimPoint AimFor(int curl, float x, float y, float offset) {
  RecordingSimulator::Load();
  ShotVector out{};
  CreateDrawInFront(curl, &out, x, y, offset);
  const auto calls = RecordingSimulator::Calls();
  EXPECT_EQ(calls.size(), 1u);
  if (calls.size() != 1 || calls[0].kind != kRecordedCreateShot) return AimPoint{};
  EXPECT_EQ(std::memcmp(&out, &calls[0].shot, sizeof out), 0);
  return calls[0].aim;
}

TEST(DrawInFront, AimsOnTheLineToTheDeliveryPoint) {
  // `offset` from the target toward the delivery point, in single-precision
  // steps (quotient first, then the product); any non-zero curl is 1.
  const float x = 1.2f, y = 3.5f, offset = 1.5f;
  const float dx = x - 2.375f, dy = y - 41.28f;
  const float r = static_cast<float>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
  const struct {
    int curl;
    float x, y, offset;
    AimPoint aim;
  } cases[] = {{0, 3.0f, 4.0f, 0.0f, {3.0f, 4.0f, 0, {}}},
               {1, 2.375f, 4.88f, 1.5f, {2.375f, 4.88f + 1.5f, 1, {}}},
               {2, x, y, offset, {x - dx / r * offset, y - dy / r * offset, 1, {}}},
               {-1, x, y, offset, {x - dx / r * offset, y - dy / r * offset, 1, {}}},
               // At the delivery point there is no direction: a plain draw.
               {0, kDeliveryX, kDeliveryY, 1.5f, {kDeliveryX, kDeliveryY, 0, {}}}};
  for (const auto& c : cases) {
    const AimPoint aim = AimFor(c.curl, c.x, c.y, c.offset);
    EXPECT_EQ(aim.x, c.aim.x) << c.curl << " " << c.x;
    EXPECT_EQ(aim.y, c.aim.y) << c.curl << " " << c.x;
    EXPECT_EQ(aim.curl, c.aim.curl) << c.curl << " " << c.x;
  }
}

}  // namespace
}  // namespace curling::testing
