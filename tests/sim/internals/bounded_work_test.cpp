// Every call ends after a few time steps per event, whatever the input: a
// stone that starts inside another (a stone on the delivery point) once
// made the contact search creep forward by a fraction of a micrometre per
// step, and a decision over such a position took minutes.
#include <gtest/gtest.h>

#include "sim/event_loop.h"
#include "sim/shot_observer.h"
#include "sim/shot_simulation.h"
#include "support/hostile_inputs.h"

namespace curling::sim {
namespace {

class StepCounter final : public ShotObserver {
 public:
  void MotionStarted(int, double, Vec2) override {}
  void Stepped(double, double, const FreePath*, const bool*) override { ++steps; }
  void EventOccurred(EventKind, double, int, int, Vec2, Vec2) override { ++events; }
  long steps = 0;
  long events = 0;
};

TEST(BoundedWork, HostileCallsTakeAFewTimeStepsPerEvent) {
  const std::vector<ShotVector> shots = scenes::HostileDeliveries();
  for (const scenes::HostilePosition& p : scenes::HostilePositions()) {
    for (const ShotVector& shot : shots) {
      for (float error : scenes::kHostileErrors) {
        GameState state = p.state;
        CounterRandom random(7);
        ShotOptions options;
        options.random_error = error;
        StepCounter counter;
        SimulateShot(state, shot, options, random, &counter, nullptr);
        ASSERT_LE(counter.steps, 2 * counter.events + 4)
            << p.name << "; shot (" << shot.vx << ", " << shot.vy << ", " << int(shot.curl)
            << "), error " << error;
      }
    }
  }
}

// A stone starting a hair inside another and sliding along it: the closing
// speed is rounding error and must not count as a collision (it used to
// repeat until the event limit froze every stone).
TEST(BoundedWork, TangentialSlideAlongATouchingStoneIsNotACollision) {
  for (int spin : {0, 1}) {
    StepCounter counter;
    EventLoop loop(CanonicalPath::Get(), &counter);
    loop.PlaceStone(0, {2.0, 6.0});
    loop.PlaceStone(1, {2.0 + 2 * kStoneRadius - 1e-8, 6.0});
    loop.Launch(0, {0.0, -1.0}, 0.8, spin);
    loop.Run();
    EXPECT_LT(counter.events, 5) << spin;
    EXPECT_LT(loop.Position(0).y, 6.0 - 3.0) << spin;  // ran its course (about 3.9 m)
  }
}

}  // namespace
}  // namespace curling::sim
