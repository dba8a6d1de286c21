// Rest-point agreement of the physics library and of the rigid-body baseline
// with the reference stepper, on the shared scenes with no random error:
// median and 99th percentile of the distance per moved stone (mm), and the
// count of stones in play in one and out of play in the other.
//
//   simulator_agreement [scenes per stone count and kind, default 64]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "box2d_baseline.h"
#include "prepared_scenes.h"
#include "reference_stepper.h"
#include "sim/simulator_exports.h"

namespace curling::bench {
namespace {

struct Agreement {
  std::vector<double> mm;
  int status_mismatches = 0;

  // Counts the stones that moved in either result (or left play in both).
  void Add(const GameState& got, const GameState& truth, const GameState& before) {
    for (int i = 0; i < 16; ++i) {
      const StonePosition g = got.Stones[i], t = truth.Stones[i], b = before.Stones[i];
      const bool out_got = g.x == 0.0f && g.y == 0.0f;
      const bool out_truth = t.x == 0.0f && t.y == 0.0f;
      const bool moved =
          i == before.ShotNum || g.x != b.x || g.y != b.y || t.x != b.x || t.y != b.y;
      if (!moved) continue;
      if (out_got != out_truth) {
        ++status_mismatches;
      } else if (!out_got) {
        mm.push_back(1e3 *
                     std::hypot(static_cast<double>(g.x) - t.x, static_cast<double>(g.y) - t.y));
      }
    }
  }

  double Quantile(double q) {
    if (mm.empty()) return 0.0;
    std::sort(mm.begin(), mm.end());
    return mm[std::min(mm.size() - 1, static_cast<size_t>(q * mm.size()))];
  }
};

int Run(int per_set) {
  std::printf("%-22s %8s %12s %12s %12s %12s %10s %10s\n", "scenes", "stones", "lib median",
              "lib p99", "box2d median", "box2d p99", "lib miss", "box2d miss");
  Agreement lib_all, box_all;
  for (int stones : scenes::kSceneStoneCounts) {
    for (auto kind : {scenes::ShotKind::kDraw, scenes::ShotKind::kHit}) {
      Agreement lib, box;
      for (const PreparedShot& p : PrepareShots(stones, kind, per_set)) {
        const GameState truth =
            reference::PlayReference(p.state, p.shot.vx, p.shot.vy, p.shot.curl).final_state;
        GameState got = p.state;
        Simulation(&got, p.shot, 0.0f, nullptr, -1);
        uint64_t rng = 0;
        const GameState baseline = PlayBox2d(p.state, p.shot, 0.0f, rng);
        lib.Add(got, truth, p.state);
        box.Add(baseline, truth, p.state);
        lib_all.Add(got, truth, p.state);
        box_all.Add(baseline, truth, p.state);
      }
      std::printf(
          "%-22s %8zu %12.4f %12.4f %12.2f %12.2f %10d %10d\n",
          (std::to_string(stones) + (kind == scenes::ShotKind::kDraw ? " draws" : " hits")).c_str(),
          lib.mm.size(), lib.Quantile(0.5), lib.Quantile(0.99), box.Quantile(0.5),
          box.Quantile(0.99), lib.status_mismatches, box.status_mismatches);
    }
  }
  std::printf("%-22s %8zu %12.4f %12.4f %12.2f %12.2f %10d %10d\n", "all", lib_all.mm.size(),
              lib_all.Quantile(0.5), lib_all.Quantile(0.99), box_all.Quantile(0.5),
              box_all.Quantile(0.99), lib_all.status_mismatches, box_all.status_mismatches);
  return 0;
}

}  // namespace
}  // namespace curling::bench

int main(int argc, char** argv) {
  const int per_set = argc > 1 ? std::atoi(argv[1]) : 64;
  return curling::bench::Run(per_set > 0 ? per_set : 64);
}
