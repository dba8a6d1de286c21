// Deliveries per second of the physics library through its C exports, and of
// the fixed-step rigid-body baseline, on the shared scenes (0, 4, 8 and 15
// stones in play; draws and hits; random error 0.145).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "box2d_baseline.h"
#include "curling_simulator/rink.h"
#include "curling_simulator/simulator.h"
#include "curling_simulator/simulator_exports.h"
#include "prepared_scenes.h"
#include "support/reference_stepper.h"

namespace curling::bench {
namespace {

constexpr int kScenes = 256;
constexpr float kError = sim::kMatchRandomError;

scenes::ShotKind KindOf(const benchmark::State& state) {
  return state.range(1) == 0 ? scenes::ShotKind::kDraw : scenes::ShotKind::kHit;
}

void Label(benchmark::State& state) {
  state.SetLabel(std::to_string(state.range(0)) + " stones, " +
                 (state.range(1) == 0 ? "draws" : "hits"));
}

void BM_Library(benchmark::State& state) {
  const auto shots = PrepareShots(static_cast<int>(state.range(0)), KindOf(state), kScenes);
  SetRandomSeed(1);
  size_t i = 0;
  for (auto _ : state) {
    GameState copy = shots[i].state;
    Simulation(&copy, shots[i].shot, kError, nullptr, -1);
    benchmark::DoNotOptimize(copy);
    i = (i + 1) % shots.size();
  }
  state.SetItemsProcessed(state.iterations());
  Label(state);
}

// Many deliveries from one position, the C++ interface's two ways: one
// PlayShotFinalState call each, or one PlayBatchFinalStates call for them all.
// Each iteration plays the deliveries of one scene; the items are deliveries.
struct PositionDeliveries {
  GameState state;
  std::vector<sim::BatchDelivery> deliveries;
};

std::vector<PositionDeliveries> PrepareBatches(const benchmark::State& state) {
  std::vector<PositionDeliveries> out;
  const auto shots = PrepareShots(static_cast<int>(state.range(0)), KindOf(state), kScenes);
  for (size_t i = 0; i < shots.size(); ++i) {
    out.push_back(
        {shots[i].state, SceneDeliveries(shots[i], static_cast<int>(i), kDeliveriesPerPosition)});
  }
  return out;
}

void BM_Single(benchmark::State& state) {
  const auto batches = PrepareBatches(state);
  size_t i = 0;
  for (auto _ : state) {
    for (const sim::BatchDelivery& d : batches[i].deliveries) {
      sim::RandomStream stream = d.stream;
      GameState after = sim::PlayShotFinalState(batches[i].state, d.shot, kError, stream);
      benchmark::DoNotOptimize(after);
    }
    i = (i + 1) % batches.size();
  }
  state.SetItemsProcessed(state.iterations() * kDeliveriesPerPosition);
  Label(state);
}

void BM_Batch(benchmark::State& state) {
  auto batches = PrepareBatches(state);
  std::vector<GameState> results(kDeliveriesPerPosition);
  size_t i = 0;
  for (auto _ : state) {
    // The same streams every round, as the single calls have them.
    std::vector<sim::BatchDelivery>& deliveries = batches[i].deliveries;
    for (sim::BatchDelivery& d : deliveries)
      d.stream.counter = 0;
    sim::PlayBatchFinalStates(batches[i].state, deliveries.data(), results.data(),
                              deliveries.size(), kError);
    benchmark::DoNotOptimize(results.data());
    benchmark::ClobberMemory();
    i = (i + 1) % batches.size();
  }
  state.SetItemsProcessed(state.iterations() * kDeliveriesPerPosition);
  Label(state);
}

void BM_Box2d(benchmark::State& state) {
  const auto shots = PrepareShots(static_cast<int>(state.range(0)), KindOf(state), kScenes);
  uint64_t rng = 1;
  size_t i = 0;
  for (auto _ : state) {
    GameState out = PlayBox2d(shots[i].state, shots[i].shot, kError, rng);
    benchmark::DoNotOptimize(out);
    i = (i + 1) % shots.size();
  }
  state.SetItemsProcessed(state.iterations());
  Label(state);
}

// The test suite's ground truth, for scale (no random error).
void BM_Reference(benchmark::State& state) {
  const auto shots = PrepareShots(static_cast<int>(state.range(0)), KindOf(state), kScenes);
  size_t i = 0;
  for (auto _ : state) {
    auto r = reference::PlayReference(shots[i].state, shots[i].shot.vx, shots[i].shot.vy,
                                      shots[i].shot.curl);
    benchmark::DoNotOptimize(r.final_state);
    i = (i + 1) % shots.size();
  }
  state.SetItemsProcessed(state.iterations());
  Label(state);
}

// The inverse exports, over the aims of the draw and hit scenes.
void BM_CreateShots(benchmark::State& state) {
  const bool hits = state.range(0) == 1;
  const auto scenes_ =
      scenes::MakeScenes(8, hits ? scenes::ShotKind::kHit : scenes::ShotKind::kDraw, kScenes, 2026);
  size_t i = 0;
  for (auto _ : state) {
    ShotVector out;
    if (hits) {
      CreateHitShot(scenes_[i].aim, scenes_[i].power, &out);
    } else {
      CreateShot(scenes_[i].aim, &out);
    }
    benchmark::DoNotOptimize(out);
    i = (i + 1) % scenes_.size();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(hits ? "CreateHitShot" : "CreateShot");
}

void SceneArgs(benchmark::internal::Benchmark* b) {
  for (int stones : scenes::kSceneStoneCounts) {
    for (int kind : {0, 1})
      b->Args({stones, kind});
  }
}

BENCHMARK(BM_Library)->Apply(SceneArgs);
BENCHMARK(BM_Single)->Apply(SceneArgs);
BENCHMARK(BM_Batch)->Apply(SceneArgs);
BENCHMARK(BM_CreateShots)->Arg(0)->Arg(1);
BENCHMARK(BM_Box2d)->Apply(SceneArgs)->MinTime(0.5);
BENCHMARK(BM_Reference)->Apply(SceneArgs)->MinTime(0.5);

}  // namespace
}  // namespace curling::bench

BENCHMARK_MAIN();
