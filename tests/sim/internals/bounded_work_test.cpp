// Every call ends after a few time steps per event, whatever the input: a
// stone that starts inside another (a stone on the delivery point) once
// made the contact search creep forward by a fraction of a micrometre per
// step, and a decision over such a position took minutes.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace curling::sim
