// Fixed, seeded sets of positions and shots shared by the physics tests and
// the benchmarks: 0, 4, 8 or 15 stones in play, draws and hits.
#pragma once

#include <cstdint>
#include <vector>

#include "curling_simulator/records.h"

namespace curling::scenes {

enum class ShotKind { kDraw, kHit };

// One delivery into one position. A draw comes to rest at `aim`; a hit passes
// `aim` with `power` metres still to run (CreateHitShot's meaning).
struct Scene {
  GameState state{};
  AimPoint aim{};
  float power = 0.0f;
  ShotKind kind = ShotKind::kDraw;
};

// A small reproducible generator (splitmix64), the same on every platform.
class SceneRandom {
 public:
  explicit SceneRandom(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  double Uniform(double lo, double hi);  // [lo, hi)

 private:
  uint64_t state_;
};

// `count` scenes with `stones_in_play` stones (0 to 15) placed without overlap
// in the house and the guard zone; stones 0 .. stones_in_play - 1 are in play
// and ShotNum is stones_in_play. Hits aim at a stone in play (or at a house
// point on an empty sheet).
std::vector<Scene> MakeScenes(int stones_in_play, ShotKind kind, int count, uint64_t seed);

// The stone counts of the benchmark set.
inline constexpr int kSceneStoneCounts[] = {0, 4, 8, 15};

}  // namespace curling::scenes
