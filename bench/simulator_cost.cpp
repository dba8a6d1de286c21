// The cost of single library calls, for what timing loops average away:
//
//   simulator_cost hostile [repeats]
//       Times every hostile call (support/hostile_inputs.h) through the C
//       export Simulation, each the best of `repeats` runs (default 3, which
//       filters out preemption on a shared machine), and prints the slowest
//       calls and the distribution.
//   simulator_cost deliveries STONES draws|hits
//       Plays the 256 benchmark scenes of that set once each, inside
//       PlayDeliveries; under
//         valgrind --tool=callgrind --toggle-collect='*PlayDeliveries*'
//       the instructions counted, over 256, are the instructions per delivery
//       (the set is played once before, outside PlayDeliveries, so that
//       tables built on first use are not counted).
//   simulator_cost positions STONES draws|hits single|batch
//       The same, with 64 deliveries from each scene's position (the scene's
//       delivery, each from its own stream) through the C++ interface: one
//       PlayShotFinalState call each, or one PlayBatchFinalStates call per
//       position; the count printed is of deliveries.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "curling_simulator/simulator.h"
#include "curling_simulator/simulator_exports.h"
#include "prepared_scenes.h"
#include "support/hostile_inputs.h"

namespace curling::bench {
namespace {

constexpr int kScenes = 256;

struct TimedCall {
  double microseconds;
  const scenes::HostilePosition* position;
  ShotVector shot;
  float error;
};

double MicrosecondsOfCall(const GameState& state, const ShotVector& shot, float error) {
  GameState copy = state;
  const auto start = std::chrono::steady_clock::now();
  Simulation(&copy, shot, error, nullptr, -1);
  const auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::micro>(end - start).count();
}

int TimeHostileCalls(int repeats) {
  const std::vector<scenes::HostilePosition> positions = scenes::HostilePositions();
  const std::vector<ShotVector> shots = scenes::HostileDeliveries();
  SetRandomSeed(1);
  std::vector<TimedCall> calls;
  double total = 0.0;
  for (const scenes::HostilePosition& p : positions) {
    for (const ShotVector& shot : shots) {
      for (float error : scenes::kHostileErrors) {
        double best = MicrosecondsOfCall(p.state, shot, error);
        for (int r = 1; r < repeats; ++r)
          best = std::min(best, MicrosecondsOfCall(p.state, shot, error));
        calls.push_back({best, &p, shot, error});
        total += best;
      }
    }
  }
  std::sort(calls.begin(), calls.end(),
            [](const TimedCall& a, const TimedCall& b) { return a.microseconds > b.microseconds; });
  const auto quantile = [&](double q) {
    return calls[static_cast<size_t>((1.0 - q) * static_cast<double>(calls.size() - 1))]
        .microseconds;
  };
  std::printf("hostile calls: %zu (%zu positions x %zu deliveries x %zu errors), best of %d\n",
              calls.size(), positions.size(), shots.size(), std::size(scenes::kHostileErrors),
              repeats);
  std::printf("time per call (us): mean %.2f  median %.2f  p99 %.2f  p99.9 %.2f  max %.2f\n",
              total / static_cast<double>(calls.size()), quantile(0.5), quantile(0.99),
              quantile(0.999), calls.front().microseconds);
  std::printf("slowest calls:\n");
  for (size_t i = 0; i < 5 && i < calls.size(); ++i) {
    const TimedCall& c = calls[i];
    std::printf("  %10.2f us  %s; shot (%g, %g, %d), error %g\n", c.microseconds,
                c.position->name.c_str(), c.shot.vx, c.shot.vy, c.shot.curl, c.error);
  }
  std::printf("worst call: %.3f ms\n", calls.front().microseconds / 1000.0);
  return 0;
}

[[gnu::noinline]] void PlayDeliveries(const std::vector<PreparedShot>& shots) {
  for (const PreparedShot& p : shots) {
    GameState copy = p.state;
    Simulation(&copy, p.shot, 0.145f, nullptr, -1);
    asm volatile("" : : "m"(copy) : "memory");
  }
}

int PlaySet(int stones, const char* kind) {
  const bool hits = std::strcmp(kind, "hits") == 0;
  if (!hits && std::strcmp(kind, "draws") != 0) return 2;
  const std::vector<PreparedShot> shots =
      PrepareShots(stones, hits ? scenes::ShotKind::kHit : scenes::ShotKind::kDraw, kScenes);
  // Once before, so that the tables the library builds on first use are not
  // counted.
  for (const PreparedShot& p : shots) {
    GameState copy = p.state;
    Simulation(&copy, p.shot, 0.145f, nullptr, -1);
  }
  SetRandomSeed(1);
  PlayDeliveries(shots);
  std::printf("%zu deliveries, %d stones, %s\n", shots.size(), stones, kind);
  return 0;
}

struct PositionDeliveries {
  GameState state;
  std::vector<sim::BatchDelivery> deliveries;
};

[[gnu::noinline]] void PlayFromPositions(std::vector<PositionDeliveries>& positions, bool batch) {
  std::vector<GameState> results(kDeliveriesPerPosition);
  for (PositionDeliveries& p : positions) {
    if (batch) {
      sim::PlayBatchFinalStates(p.state, p.deliveries.data(), results.data(), p.deliveries.size(),
                                0.145f);
    } else {
      for (size_t k = 0; k < p.deliveries.size(); ++k)
        results[k] =
            sim::PlayShotFinalState(p.state, p.deliveries[k].shot, 0.145f, p.deliveries[k].stream);
    }
    asm volatile("" : : "r"(results.data()) : "memory");
  }
}

// What callgrind counts: the deliveries from the positions once.
[[gnu::noinline]] void PlayDeliveries(std::vector<PositionDeliveries>& positions, bool batch) {
  PlayFromPositions(positions, batch);
}

int PlayPositions(int stones, const char* kind, const char* way) {
  const bool hits = std::strcmp(kind, "hits") == 0;
  const bool batch = std::strcmp(way, "batch") == 0;
  if (!hits && std::strcmp(kind, "draws") != 0) return 2;
  if (!batch && std::strcmp(way, "single") != 0) return 2;
  const std::vector<PreparedShot> shots =
      PrepareShots(stones, hits ? scenes::ShotKind::kHit : scenes::ShotKind::kDraw, kScenes);
  std::vector<PositionDeliveries> positions;
  for (size_t i = 0; i < shots.size(); ++i) {
    positions.push_back(
        {shots[i].state, SceneDeliveries(shots[i], static_cast<int>(i), kDeliveriesPerPosition)});
  }
  // Once before (on copies of the streams), so that the tables the library
  // builds on first use are not counted.
  std::vector<PositionDeliveries> warm_up = positions;
  PlayFromPositions(warm_up, batch);
  const std::vector<PositionDeliveries>::size_type count = positions.size();
  PlayDeliveries(positions, batch);
  std::printf("%zu deliveries, %d stones, %s, %s\n", count * kDeliveriesPerPosition, stones, kind,
              way);
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: simulator_cost hostile [repeats]\n"
               "       simulator_cost deliveries STONES draws|hits\n"
               "       simulator_cost positions STONES draws|hits single|batch\n");
  return 2;
}

}  // namespace
}  // namespace curling::bench

int main(int argc, char** argv) {
  using namespace curling::bench;
  if (argc >= 2 && std::strcmp(argv[1], "hostile") == 0 && argc <= 3) {
    const int repeats = argc == 3 ? std::atoi(argv[2]) : 3;
    return repeats > 0 ? TimeHostileCalls(repeats) : Usage();
  }
  if (argc == 4 && std::strcmp(argv[1], "deliveries") == 0) {
    const int stones = std::atoi(argv[2]);
    if (stones < 0 || stones > 15) return Usage();
    const int status = PlaySet(stones, argv[3]);
    return status == 2 ? Usage() : status;
  }
  if (argc == 5 && std::strcmp(argv[1], "positions") == 0) {
    const int stones = std::atoi(argv[2]);
    if (stones < 0 || stones > 15) return Usage();
    const int status = PlayPositions(stones, argv[3], argv[4]);
    return status == 2 ? Usage() : status;
  }
  return Usage();
}
