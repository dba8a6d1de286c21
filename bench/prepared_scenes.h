// The shared seeded scenes with their deliveries, computed once through the
// library's CreateShot and CreateHitShot.
#pragma once

#include <vector>

#include "curling_simulator/records.h"
#include "curling_simulator/simulator.h"
#include "support/scenes.h"

namespace curling::bench {

struct PreparedShot {
  GameState state;
  ShotVector shot;
};

// `count` scenes of the given stone count and kind, from a fixed seed.
std::vector<PreparedShot> PrepareShots(int stones_in_play, scenes::ShotKind kind, int count);

// Deliveries played from one position at a time, for the batch against single
// calls.
inline constexpr int kDeliveriesPerPosition = 64;

// The scene's delivery `count` times, each from its own stream (seed 1,
// stream scene * count + k, counter 0): the deliveries both the batch and the
// single calls play from the scene's position.
std::vector<sim::BatchDelivery> SceneDeliveries(const PreparedShot& scene, int scene_index,
                                                int count);

}  // namespace curling::bench
