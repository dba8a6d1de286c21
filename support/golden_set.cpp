#include "support/golden_set.h"

#include <cassert>

#include "curling_simulator/simulator.h"
#include "curling_simulator/simulator_exports.h"
#include "support/scenes.h"

namespace curling::golden {
namespace {

constexpr size_t kPlayShotCount = 256;
constexpr float kRandomError = 0.145f;

// FNV-1a over the bytes of a record.
uint64_t HashBytes(uint64_t hash, const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    hash ^= p[i];
    hash *= 0x100000001B3ull;
  }
  return hash;
}

ShotVector SceneShot(const scenes::Scene& scene) {
  ShotVector shot{};
  if (scene.kind == scenes::ShotKind::kDraw) {
    CreateShot(scene.aim, &shot);
  } else {
    CreateHitShot(scene.aim, scene.power, &shot);
  }
  return shot;
}

}  // namespace

std::vector<GoldenShot> GoldenShots(int scenes_per_set) {
  assert(scenes_per_set > 0);
  std::vector<GoldenShot> shots;
  for (int stones : scenes::kSceneStoneCounts) {
    for (auto kind : {scenes::ShotKind::kDraw, scenes::ShotKind::kHit}) {
      for (const scenes::Scene& scene : scenes::MakeScenes(stones, kind, scenes_per_set, 7))
        shots.push_back({scene.state, SceneShot(scene)});
    }
  }
  return shots;
}

uint64_t PlayGoldenSet(const std::vector<GoldenShot>& shots,
                       const std::function<void(const GoldenResult&)>& visit) {
  assert(shots.size() >= kPlayShotCount);
  uint64_t h = 0xCBF29CE484222325ull;
  for (size_t i = 0; i < shots.size(); ++i) {
    GameState out = shots[i].state;
    Simulation(&out, shots[i].shot, kRandomError, nullptr, -1);
    h = HashBytes(h, &shots[i].shot, 9);  // the delivery without its padding
    h = HashBytes(h, &out, sizeof out);
    if (visit) visit({i, false, out});
  }
  sim::RandomStream stream{99, 3, 0};
  for (size_t i = 0; i < kPlayShotCount; ++i) {
    const sim::ShotOutcome out = sim::PlayShot(shots[i].state, shots[i].shot, kRandomError, stream);
    h = HashBytes(h, &out.final_state, sizeof out.final_state);
    if (visit) visit({i, true, out.final_state});
  }
  return h;
}

}  // namespace curling::golden
