#include "prepared_scenes.h"

#include <cstdint>

#include "curling_simulator/simulator_exports.h"

namespace curling::bench {

std::vector<PreparedShot> PrepareShots(int stones_in_play, scenes::ShotKind kind, int count) {
  std::vector<PreparedShot> out;
  for (const scenes::Scene& sc : scenes::MakeScenes(stones_in_play, kind, count, 2026)) {
    PreparedShot p{sc.state, {}};
    if (kind == scenes::ShotKind::kDraw) {
      CreateShot(sc.aim, &p.shot);
    } else {
      CreateHitShot(sc.aim, sc.power, &p.shot);
    }
    out.push_back(p);
  }
  return out;
}

std::vector<sim::BatchDelivery> SceneDeliveries(const PreparedShot& scene, int scene_index,
                                                int count) {
  std::vector<sim::BatchDelivery> out;
  for (int k = 0; k < count; ++k) {
    const uint64_t stream = static_cast<uint64_t>(scene_index) * static_cast<uint64_t>(count) +
                            static_cast<uint64_t>(k);
    out.push_back({scene.shot, {1, stream, 0}});
  }
  return out;
}

}  // namespace curling::bench
