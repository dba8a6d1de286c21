// The batch runner: every delivery is the shot of its own stream, whatever the
// thread count (run under the sanitizers too, which the Python tests are not).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "curling_simulator/simulator.h"
#include "python/binding/batch_simulation.h"

namespace curling::python {
namespace {

struct Outputs {
  std::vector<StonePosition> stones;
  std::vector<int32_t> counts;
};

Outputs RunAll(const BatchRequest& request) {
  const auto deliveries = static_cast<size_t>(request.shot_count * request.repeats);
  Outputs out{std::vector<StonePosition>(deliveries * 16), std::vector<int32_t>(deliveries)};
  RunBatch(request, out.stones.data(), out.counts.data());
  return out;
}

TEST(BatchRunner, EveryDeliveryIsItsOwnStreamWhateverTheThreadCount) {
  GameState state{};
  state.ShotNum = 3;
  state.Stones[0] = {2.375f, 4.88f};
  state.Stones[1] = {2.6f, 5.2f};
  state.Stones[2] = {2.2f, 7.5f};
  std::vector<ShotVector> shots(3);
  CreateShot(AimPoint{2.4f, 4.9f, 1, {}}, &shots[0]);
  CreateHitShot(AimPoint{2.6f, 5.2f, 0, {}}, 3.0f, &shots[1]);
  CreateHitShot(AimPoint{2.2f, 7.5f, 1, {}}, 1.0f, &shots[2]);
  BatchRequest request;
  request.state = state;
  request.shots = shots.data();
  request.shot_count = 3;
  request.repeats = 70;  // more than one worker's share at a time
  request.error = 0.145f;
  request.seed = 9;

  const Outputs alone = RunAll(request);
  for (int threads : {2, 5}) {
    request.threads = threads;
    const Outputs shared = RunAll(request);
    EXPECT_EQ(0, std::memcmp(shared.stones.data(), alone.stones.data(),
                             alone.stones.size() * sizeof(StonePosition)))
        << threads << " threads";
    EXPECT_EQ(shared.counts, alone.counts) << threads << " threads";
  }
  sim::RandomStream stream{9, 2, 69};
  const GameState last = sim::PlayShotFinalState(state, shots[2], 0.145f, stream);
  EXPECT_EQ(0, std::memcmp(last.Stones, &alone.stones[(2 * 70 + 69) * 16], sizeof(last.Stones)));
}

}  // namespace
}  // namespace curling::python
