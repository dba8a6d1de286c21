// Rest-point agreement of the physics library and of the rigid-body baseline
// with the reference stepper, on the shared scenes with no random error:
// median and 99th percentile of the distance per moved stone (mm), and the
// count of stones in play in one and out of play in the other; then the
// throughput of both on the same scenes and its ratio.
//
//   simulator_agreement [scenes per stone count and kind, default 64]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "box2d_baseline.h"
#include "curling_simulator/rink.h"
#include "curling_simulator/simulator_exports.h"
#include "prepared_scenes.h"
#include "support/reference_stepper.h"

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

// CPU seconds per delivery of `play` over the shots, repeated `repeats` times.
template <typename Play>
double SecondsPerDelivery(const std::vector<PreparedShot>& shots, int repeats, Play play) {
  const std::clock_t start = std::clock();
  for (int r = 0; r < repeats; ++r) {
    for (const PreparedShot& p : shots)
      play(p);
  }
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC /
         (static_cast<double>(repeats) * static_cast<double>(shots.size()));
}

void PrintRow(const char* name, Agreement& lib, Agreement& box, double lib_rate, double box_rate) {
  std::printf("%-10s %7zu %10.4f %10.4f %10.2f %10.2f %5d %5d %12.0f %10.1f %10.0f\n", name,
              lib.mm.size(), lib.Quantile(0.5), lib.Quantile(0.99), box.Quantile(0.5),
              box.Quantile(0.99), lib.status_mismatches, box.status_mismatches, lib_rate, box_rate,
              lib_rate / box_rate);
}

int Run(int per_set) {
  std::printf(
      "Rest points against the reference stepper (mm, stones that moved), stones in\n"
      "play in one result and out of play in the other (miss), and deliveries per\n"
      "CPU second with random error 0.145 on the same scenes.\n\n");
  std::printf("%-10s %7s %10s %10s %10s %10s %5s %5s %12s %10s %10s\n", "scenes", "stones",
              "lib med", "lib p99", "box2d med", "box2d p99", "miss", "miss", "lib/s", "box2d/s",
              "ratio");
  Agreement lib_all, box_all;
  double lib_seconds = 0.0, box_seconds = 0.0;
  for (int stones : scenes::kSceneStoneCounts) {
    for (auto kind : {scenes::ShotKind::kDraw, scenes::ShotKind::kHit}) {
      const std::vector<PreparedShot> shots = PrepareShots(stones, kind, per_set);
      Agreement lib, box;
      for (const PreparedShot& p : shots) {
        const GameState truth =
            reference::PlayReference(p.state, p.shot.vx, p.shot.vy, p.shot.curl).final_state;
        GameState got = p.state;
        Simulation(&got, p.shot, 0.0f, nullptr, -1);
        uint64_t rng = 0;
        const GameState baseline = PlayBox2d(p.state, p.shot, 0.0f, rng);
        for (Agreement* a : {&lib, &lib_all})
          a->Add(got, truth, p.state);
        for (Agreement* a : {&box, &box_all})
          a->Add(baseline, truth, p.state);
      }
      const double lib_s = SecondsPerDelivery(shots, 200, [](const PreparedShot& p) {
        GameState copy = p.state;
        Simulation(&copy, p.shot, sim::kMatchRandomError, nullptr, -1);
      });
      uint64_t rng = 1;
      const double box_s = SecondsPerDelivery(shots, 1, [&](const PreparedShot& p) {
        PlayBox2d(p.state, p.shot, sim::kMatchRandomError, rng);
      });
      lib_seconds += lib_s;
      box_seconds += box_s;
      const std::string name =
          std::to_string(stones) + (kind == scenes::ShotKind::kDraw ? " draws" : " hits");
      PrintRow(name.c_str(), lib, box, 1.0 / lib_s, 1.0 / box_s);
    }
  }
  PrintRow("all", lib_all, box_all, 8.0 / lib_seconds, 8.0 / box_seconds);
  return 0;
}

}  // namespace
}  // namespace curling::bench

int main(int argc, char** argv) {
  const int per_set = argc > 1 ? std::atoi(argv[1]) : 64;
  return curling::bench::Run(per_set > 0 ? per_set : 64);
}
