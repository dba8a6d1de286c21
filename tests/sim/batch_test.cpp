// PlayBatchFinalStates against single PlayShotFinalState calls, and the C
// export SimulationBatch against Simulation calls with no error: the same
// states bit for bit, the same streams and call counters advanced, over the
// shared scenes and the hostile positions, whatever the thread count.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "library_support.h"
#include "support/hostile_inputs.h"

namespace curling::simtest {
namespace {

// Plays `shots` from `state` one by one and as a batch on `threads` threads,
// delivery i from the stream (seed, first_stream + i, i % 3), and expects the
// same states and streams.
void ExpectBatchAsSingleCalls(const GameState& state, const std::vector<ShotVector>& shots,
                              float error, const sim::Rules& rules, int threads,
                              uint64_t first_stream) {
  std::vector<sim::BatchDelivery> batch;
  for (size_t i = 0; i < shots.size(); ++i)
    batch.push_back({shots[i], {77, first_stream + i, i % 3}});
  std::vector<GameState> results(shots.size());
  sim::PlayBatchFinalStates(state, batch.data(), results.data(), batch.size(), error, rules,
                            threads);
  for (size_t i = 0; i < shots.size(); ++i) {
    sim::RandomStream stream{77, first_stream + i, i % 3};
    const GameState single = sim::PlayShotFinalState(state, shots[i], error, stream, rules);
    ASSERT_EQ(0, std::memcmp(&single, &results[i], sizeof(GameState)))
        << "delivery " << i << " (" << shots[i].vx << ", " << shots[i].vy << ", "
        << int{shots[i].curl} << "), error " << error << ", " << threads << " threads";
    ASSERT_EQ(stream.counter, batch[i].stream.counter);
  }
}

// Plays `shots` from `state` through the C export's batch and one by one
// through Simulation with no error, and expects the same states.
void ExpectExportBatchAsSimulationCalls(const GameState& state,
                                        const std::vector<ShotVector>& shots) {
  std::vector<GameState> results(shots.size());
  ASSERT_EQ(1,
            SimulationBatch(&state, shots.data(), static_cast<int>(shots.size()), results.data()));
  for (size_t i = 0; i < shots.size(); ++i) {
    GameState single = state;
    Simulation(&single, shots[i], 0.0f, nullptr, -1);
    ASSERT_EQ(0, std::memcmp(&single, &results[i], sizeof(GameState)))
        << "delivery " << i << " (" << shots[i].vx << ", " << shots[i].vy << ", "
        << int{shots[i].curl} << ")";
  }
}

// The scene's own delivery and its neighbours: draws and hits of every
// weight around it, both curls.
std::vector<ShotVector> DeliveriesAround(const ShotVector& shot) {
  std::vector<ShotVector> shots;
  for (int k = -6; k <= 6; ++k) {
    const float scale = 1.0f + 0.02f * static_cast<float>(k);
    for (uint8_t curl : {uint8_t{0}, uint8_t{1}})
      shots.push_back(
          {shot.vx * scale + 0.01f * static_cast<float>(k), shot.vy * scale, curl, {0, 0, 0}});
  }
  return shots;
}

TEST(PlayBatch, SharedScenesGiveTheSingleCallsStatesOnAnyThreadCount) {
  uint64_t first_stream = 0;
  for (int stones : scenes::kSceneStoneCounts) {
    for (auto kind : {scenes::ShotKind::kDraw, scenes::ShotKind::kHit}) {
      for (const scenes::Scene& sc : scenes::MakeScenes(stones, kind, kReduced ? 3 : 12, 11)) {
        SCOPED_TRACE(testing::Message() << stones << " stones, ShotNum " << sc.state.ShotNum);
        const std::vector<ShotVector> shots = DeliveriesAround(SceneShot(sc));
        for (int threads : {1, 3}) {
          ExpectBatchAsSingleCalls(sc.state, shots, 0.145f, {}, threads, first_stream);
          first_stream += shots.size();
        }
        ExpectBatchAsSingleCalls(sc.state, shots, 0.0f, {false}, 2, first_stream);
        ExpectExportBatchAsSimulationCalls(sc.state, shots);
      }
    }
  }
}

// Stones on the delivery point, packed and overlapping houses, garbage
// states (any ShotNum, non-finite stones) and non-finite deliveries.
TEST(PlayBatch, HostilePositionsGiveTheSingleCallsStates) {
  const std::vector<ShotVector> shots = scenes::HostileDeliveries(kReduced ? 11 : 1);
  for (const scenes::HostilePosition& p : scenes::HostilePositions()) {
    SCOPED_TRACE(p.name);
    for (float error : scenes::kHostileErrors)
      ExpectBatchAsSingleCalls(p.state, shots, error, {}, 2, 1000);
    ExpectExportBatchAsSimulationCalls(p.state, shots);
  }
}

TEST(PlayBatch, EmptyBatchPlaysNothingAndMissingBuffersAreRefused) {
  GameState state = EmptyState(0);
  sim::BatchDelivery delivery{Draw(2.375, 4.88, 1), {1, 2, 3}};
  sim::PlayBatchFinalStates(state, &delivery, nullptr, 0, 0.145f);
  EXPECT_EQ(delivery.stream.counter, 3u);
  EXPECT_THROW(sim::PlayBatchFinalStates(state, &delivery, nullptr, 1, 0.145f),
               std::invalid_argument);
  EXPECT_THROW(sim::PlayBatchFinalStates(state, nullptr, &state, 1, 0.145f), std::invalid_argument);
  EXPECT_EQ(delivery.stream.counter, 3u);
  // The start state may be the place of the result.
  sim::RandomStream stream{1, 2, 3};
  const GameState single = sim::PlayShotFinalState(state, delivery.shot, 0.145f, stream);
  sim::PlayBatchFinalStates(state, &delivery, &state, 1, 0.145f, {}, 4);
  EXPECT_EQ(0, std::memcmp(&single, &state, sizeof(GameState)));
}

// A random draw after a batch of n is the one after n calls of Simulation:
// the batch moves the thread's call counter on as they would.
TEST(PlayBatch, ExportBatchAdvancesTheCallCounterAsItsCallsWould) {
  const GameState start = EmptyState(0);
  const std::vector<ShotVector> shots(5, Draw(2.375, 4.88, 1));
  auto on_new_thread = [&](auto before) {
    GameState state = start;
    std::thread([&] {
      before();
      Simulation(&state, shots[0], 0.145f, nullptr, -1);
    }).join();
    return state;
  };
  const GameState after_calls = on_new_thread([&] {
    for (const ShotVector& shot : shots) {
      GameState copy = start;
      Simulation(&copy, shot, 0.0f, nullptr, -1);
    }
  });
  const GameState after_batch = on_new_thread([&] {
    std::vector<GameState> results(shots.size());
    SimulationBatch(&start, shots.data(), static_cast<int>(shots.size()), results.data());
  });
  const GameState first_call = on_new_thread([] {});
  EXPECT_EQ(0, std::memcmp(&after_calls, &after_batch, sizeof(GameState)));
  EXPECT_NE(0, std::memcmp(&after_calls, &first_call, sizeof(GameState)));

  GameState result = start;
  EXPECT_EQ(1, SimulationBatch(&start, nullptr, 0, nullptr));
  EXPECT_EQ(0, SimulationBatch(&start, shots.data(), -1, &result));
  EXPECT_EQ(0, SimulationBatch(nullptr, shots.data(), 1, &result));
  EXPECT_EQ(0, SimulationBatch(&start, nullptr, 1, &result));
  EXPECT_EQ(0, SimulationBatch(&start, shots.data(), 1, nullptr));
  EXPECT_EQ(0, std::memcmp(&start, &result, sizeof(GameState)));
}

}  // namespace
}  // namespace curling::simtest
