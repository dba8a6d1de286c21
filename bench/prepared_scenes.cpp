#include "prepared_scenes.h"

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

}  // namespace curling::bench
