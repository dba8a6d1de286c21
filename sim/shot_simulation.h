// One shot played on a game state: input positions checked, the delivery
// (with random error) launched, the stones' motion run, the hog line and free
// guard zone rules applied, and the state updated in place.
#pragma once

#include "curling_simulator/records.h"
#include "sim/counter_random.h"
#include "sim/shot_observer.h"

namespace curling::sim {

struct ShotOptions {
  double random_error = 0.0;  // standard deviation in metres
  bool free_guard_zone = true;
};

// Plays `shot` as stone state.ShotNum. On return every stone is at rest on the
// sheet or at (0, 0), ShotNum is one higher and no other field changed.
// `played` (may be null) receives the delivery after the error; `observer`
// (may be null) sees motion and events.
void SimulateShot(GameState& state, const ShotVector& shot, const ShotOptions& options,
                  CounterRandom& random, ShotObserver* observer, ShotVector* played);

}  // namespace curling::sim
