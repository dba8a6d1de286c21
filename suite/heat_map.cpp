#include "suite/heat_map.h"

#include <cassert>
#include <cmath>

#include "curling_simulator/rink.h"
#include "curling_simulator/simulator.h"
#include "suite/candidates.h"

namespace curling::suite {

HeatMap DrawHeatMap(const GameState& state, const Sampler& sampler, float step, int samples) {
  assert(step > 0.0f);
  HeatMap map;
  map.step = step;
  const int half = static_cast<int>(sim::kHouseTouchDistance / step);
  std::vector<ShotVector> shots;
  for (int curl = 0; curl < 2; ++curl) {
    for (int r = -half; r <= half; ++r) {
      for (int c = -half; c <= half; ++c) {
        if (std::hypot(r * step, c * step) > sim::kHouseTouchDistance) continue;
        const Delivery d = DrawTo(static_cast<float>(sim::kTeeX) + c * step,
                                  static_cast<float>(sim::kTeeY) + r * step, curl);
        if (d.shot.vx == 0.0f && d.shot.vy == 0.0f) continue;
        map.cells.push_back(HeatCell{d.x, d.y, curl, {}});
        shots.push_back(d.shot);
      }
    }
  }
  const std::vector<ResultCounts> counts =
      sampler.Count(state, shots, samples, SampleSet::kEvaluation);
  for (size_t i = 0; i < counts.size(); ++i)
    map.cells[i].counts = counts[i];
  return map;
}

std::vector<StonePosition> OpenPath(const ShotVector& shot) {
  GameState empty{};
  empty.ShotNum = 15;
  sim::RandomStream stream;
  const sim::ShotOutcome out = sim::PlayShot(empty, shot, 0.0f, stream, sim::Rules{}, 0.05f);
  std::vector<StonePosition> path;
  for (const sim::StoneTrajectory& t : out.trajectories) {
    if (t.stone != 15) continue;
    for (const sim::TrajectorySample& s : t.samples) {
      if (s.y <= sim::kHogLineY + 1.0) path.push_back({s.x, s.y});
    }
  }
  return path;
}

}  // namespace curling::suite
