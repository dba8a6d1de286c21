// The library's single-thread deliveries per CPU second through its C exports
// on the shared scenes, in a plain loop, for comparisons with other callers of
// the library (scripts/python_bench.py holds the Python package to it).
//   library_loop scenes STONES        the prepared draws and hits, one per line:
//                                     kind, ShotNum, vx, vy, curl, x0 y0 ... x15 y15
//   library_loop run STONES SECONDS [REPEATS]
//                                     loops over them for SECONDS of CPU time per
//                                     kind, each scene REPEATS times in a row (1),
//                                     and prints "draws N" and "hits N" (per s)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "curling_simulator/rink.h"
#include "curling_simulator/simulator_exports.h"
#include "prepared_scenes.h"

namespace {

using curling::bench::PreparedShot;
using curling::scenes::ShotKind;

constexpr int kScenes = 256;

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void PrintScenes(int stones) {
  for (ShotKind kind : {ShotKind::kDraw, ShotKind::kHit}) {
    for (const PreparedShot& p : curling::bench::PrepareShots(stones, kind, kScenes)) {
      std::printf("%s %d %.9g %.9g %d", kind == ShotKind::kDraw ? "draw" : "hit", p.state.ShotNum,
                  p.shot.vx, p.shot.vy, p.shot.curl);
      for (const StonePosition& s : p.state.Stones)
        std::printf(" %.9g %.9g", s.x, s.y);
      std::printf("\n");
    }
  }
}

// Deliveries per CPU second, cycling over the scenes as simulator_bench does
// (repeats 1) or playing each one `repeats` times in a row.
double LoopRate(int stones, ShotKind kind, double seconds, int repeats) {
  const auto shots = curling::bench::PrepareShots(stones, kind, kScenes);
  SetRandomSeed(1);
  long long deliveries = 0;
  const double start = CpuSeconds();
  double elapsed = 0.0;
  while (elapsed < seconds) {
    for (const PreparedShot& p : shots) {
      for (int r = 0; r < repeats; ++r) {
        GameState copy = p.state;
        Simulation(&copy, p.shot, curling::sim::kMatchRandomError, nullptr, -1);
        // Keeps the result observable so that the call cannot be dropped.
        if (copy.ShotNum == -12345) std::printf("!");
      }
    }
    deliveries += static_cast<long long>(shots.size()) * repeats;
    elapsed = CpuSeconds() - start;
  }
  return static_cast<double>(deliveries) / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const int stones = argc > 2 ? std::atoi(argv[2]) : -1;
  if ((mode != "scenes" && mode != "run") || stones < 0 || stones > 15 ||
      (mode == "run" && argc < 4)) {
    std::fprintf(stderr, "usage: library_loop scenes STONES | run STONES SECONDS [REPEATS]\n");
    return 2;
  }
  if (mode == "scenes") {
    PrintScenes(stones);
    return 0;
  }
  const double seconds = std::atof(argv[3]);
  const int repeats = argc > 4 ? std::max(1, std::atoi(argv[4])) : 1;
  std::printf("draws %.1f\n", LoopRate(stones, ShotKind::kDraw, seconds, repeats));
  std::printf("hits %.1f\n", LoopRate(stones, ShotKind::kHit, seconds, repeats));
  return 0;
}
