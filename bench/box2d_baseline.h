// The physics baseline for the benchmarks: the same motion and contact model
// stepped by a general-purpose rigid-body engine at a fixed time step, with
// friction and curl applied as per-step forces and the same sheet rules.
#pragma once

#include <cstdint>

#include "curling_simulator/records.h"

namespace curling::bench {

struct Box2dOptions {
  double time_step = 1e-3;  // seconds
  int velocity_iterations = 8;
  int position_iterations = 3;
  bool free_guard_zone = true;
};

// Plays `shot` as stone state.ShotNum. A non-zero `random_error` perturbs
// the delivery the way the library does (along by the path, across by the
// heading), drawing from `rng_state`.
GameState PlayBox2d(const GameState& state, const ShotVector& shot, float random_error,
                    uint64_t& rng_state, const Box2dOptions& options = Box2dOptions{});

}  // namespace curling::bench
