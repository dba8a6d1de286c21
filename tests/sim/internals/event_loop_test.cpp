#include <gtest/gtest.h>

#include "sim/event_loop.h"

namespace curling::sim {
namespace {

// A stone starting a hair inside another and sliding along it: the closing
// speed is rounding error and must not count as a collision (it used to
// repeat until the event limit froze every stone).
TEST(EventLoopTest, TangentialSlideAlongATouchingStoneIsNotACollision) {
  for (int spin : {0, 1}) {
    EventLoop loop(CanonicalPath::Get(), nullptr);
    loop.PlaceStone(0, {2.0, 6.0});
    loop.PlaceStone(1, {2.0 + 2 * kStoneRadius - 1e-8, 6.0});
    loop.Launch(0, {0.0, -1.0}, 0.8, spin);
    loop.Run();
    EXPECT_FALSE(loop.HitEventLimit()) << spin;
    EXPECT_LT(loop.EventCount(), 5) << spin;
    EXPECT_LT(loop.Position(0).y, 6.0 - 3.0) << spin;  // ran its course (about 3.9 m)
  }
}

}  // namespace
}  // namespace curling::sim
