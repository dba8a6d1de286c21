// The pinned set of library results: 1,024 seeded shots (128 draws and 128
// hits into 0, 4, 8 and 15 stones) played through the C exports, then the
// first 256 again through PlayShot on an explicit stream. Its hash is pinned
// in tests/sim/determinism_test.cpp; the Windows build is held to the Linux
// build's results on it (docs/windows.md).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "curling_simulator/records.h"

namespace curling::golden {

// The library seed the set is played with (SetRandomSeed).
inline constexpr uint64_t kLibrarySeed = 20261206;

// One position and the delivery the library built for it.
struct GoldenShot {
  GameState state;
  ShotVector shot;
};

// The positions with their deliveries, from CreateShot and CreateHitShot (so
// the inverse exports are part of the set): `scenes_per_set` draws and as
// many hits into each stone count, 128 in the pinned set (1,024 shots).
inline constexpr int kPinnedScenesPerSet = 128;
std::vector<GoldenShot> GoldenShots(int scenes_per_set = kPinnedScenesPerSet);

// What one shot of the set left: `through_play_shot` false for the C export
// Simulation (random error 0.145, the calling thread's counter), true for
// PlayShot on the stream {99, 3, 0}.
struct GoldenResult {
  size_t index;
  bool through_play_shot;
  GameState final_state;
};

// Plays the set in its fixed order on the calling thread (whose call counter
// must start at 0: a fresh thread) and returns the hash of every delivery and
// result; `visit`, when given, sees each result as it comes.
uint64_t PlayGoldenSet(const std::vector<GoldenShot>& shots,
                       const std::function<void(const GoldenResult&)>& visit = {});

}  // namespace curling::golden
