// The shared seeded scenes with their deliveries, computed once through the
// library's CreateShot and CreateHitShot.
#pragma once

#include <vector>

#include "curling_simulator/records.h"
#include "support/scenes.h"

namespace curling::bench {

struct PreparedShot {
  GameState state;
  ShotVector shot;
};

// `count` scenes of the given stone count and kind, from a fixed seed.
std::vector<PreparedShot> PrepareShots(int stones_in_play, scenes::ShotKind kind, int count);

}  // namespace curling::bench
