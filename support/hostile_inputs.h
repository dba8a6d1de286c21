// Hostile calls of the physics library, shared by the tests (bounded work)
// and the benchmarks (worst time of one call): stones on or around the
// delivery point, packed houses and chains of touching stones, stones on the
// lines, random and garbage states, each met by deliveries of every speed and
// direction, including backwards and sideways.
#pragma once

#include <string>
#include <vector>

#include "curling_simulator/records.h"

namespace curling::scenes {

struct HostilePosition {
  std::string name;
  GameState state{};
};

// The positions, in a fixed order.
std::vector<HostilePosition> HostilePositions();

// The deliveries each position meets: raw velocities over every direction
// and speed (0.02 to 30 m/s, non-finite ones too), and the speeds and
// headings of draws and hits, both curls. `stride` > 1 keeps every
// stride-th delivery (a sample for slow builds).
std::vector<ShotVector> HostileDeliveries(int stride = 1);

// The random errors the deliveries are played with.
inline constexpr float kHostileErrors[] = {0.0f, 0.145f};

}  // namespace curling::scenes
