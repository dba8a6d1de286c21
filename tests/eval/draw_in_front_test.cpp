#include "eval/draw_in_front.h"

#include <gtest/gtest.h>

#include <cmath>

#include "game/rink.h"
#include "tests/support/recording_simulator.h"

namespace curling {
namespace {

using testing::RecordingSimulator;

class DrawInFront : public ::testing::Test {
 protected:
  void SetUp() override { RecordingSimulator::Load(); }

  // Runs one CreateDrawInFront and returns the aim it handed to CreateShot.
  AimPoint AimFor(int curl, float x, float y, float offset) {
    RecordingSimulator::Reset();
    ShotVector out{};
    CreateDrawInFront(curl, &out, x, y, offset);
    const auto calls = RecordingSimulator::Calls();
    EXPECT_EQ(calls.size(), 1u);
    if (calls.empty()) return AimPoint{};
    EXPECT_EQ(calls[0].kind, kRecordedCreateShot);
    // `out` holds what the library wrote.
    EXPECT_EQ(out.vx, calls[0].shot.vx);
    EXPECT_EQ(out.vy, calls[0].shot.vy);
    EXPECT_EQ(out.curl, calls[0].shot.curl);
    return calls[0].aim;
  }
};

TEST_F(DrawInFront, AimPointOnTheLineToTheDeliveryPoint) {
  AimPoint aim = AimFor(0, 3.0f, 4.0f, 0.0f);
  EXPECT_EQ(aim.x, 3.0f);
  EXPECT_EQ(aim.y, 4.0f);
  EXPECT_EQ(aim.curl, 0);

  aim = AimFor(1, 2.375f, 4.88f, 1.5f);
  EXPECT_EQ(aim.x, 2.375f);
  EXPECT_EQ(aim.y, 4.88f + 1.5f);
  EXPECT_EQ(aim.curl, 1);

  // Off the centre line: `offset` from the target toward the delivery point,
  // in exact single-precision steps (quotient first, then the product).
  const float x = 1.2f, y = 3.5f, offset = 1.5f;
  aim = AimFor(2, x, y, offset);
  EXPECT_EQ(aim.curl, 1);
  const float dx = x - 2.375f, dy = y - 41.28f;
  const float r = static_cast<float>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
  const float ux = dx / r, uy = dy / r;
  const float bx = ux * offset, by = uy * offset;
  EXPECT_EQ(aim.x, x - bx);
  EXPECT_EQ(aim.y, y - by);

  EXPECT_EQ(AimFor(-1, x, y, offset).curl, 1);
}

TEST_F(DrawInFront, TargetAtTheDeliveryPointIsAPlainDraw) {
  const AimPoint aim = AimFor(0, kDeliveryX, kDeliveryY, 1.5f);
  EXPECT_EQ(aim.x, kDeliveryX);
  EXPECT_EQ(aim.y, kDeliveryY);
}

}  // namespace
}  // namespace curling
