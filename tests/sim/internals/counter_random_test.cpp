#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <thread>
#include <vector>

#include "sim/counter_random.h"
#include "sim/library_config.h"

namespace curling::sim {
namespace {

TEST(CounterRandomTest, SameKeyRepeatsAndNearbyKeysAreIndependent) {
  CounterRandom a(42);
  CounterRandom b(42);
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(a.NextBits(), b.NextBits());

  // Keys differing in one bit, and consecutive counters, give unrelated
  // streams: no shared values and uncorrelated uniforms.
  std::set<uint64_t> seen;
  double sum_xy = 0.0, sum_x = 0.0, sum_y = 0.0;
  const int n = 20000;
  CounterRandom c(43);
  CounterRandom d(42 ^ (1ULL << 63));
  for (int i = 0; i < n; ++i) {
    const double x = c.NextOpenUnit();
    const double y = d.NextOpenUnit();
    sum_xy += x * y;
    sum_x += x;
    sum_y += y;
    ASSERT_TRUE(x > 0.0 && x < 1.0);
  }
  const double covariance = sum_xy / n - (sum_x / n) * (sum_y / n);
  EXPECT_LT(std::fabs(covariance), 4.0 / (12.0 * std::sqrt(n)));
  for (uint64_t counter = 0; counter < 1000; ++counter) {
    ASSERT_TRUE(seen.insert(StreamKey(7, 1, counter)).second);
    ASSERT_TRUE(seen.insert(StreamKey(7, 2, counter)).second);
    ASSERT_TRUE(seen.insert(StreamKey(8, 1, counter)).second);
  }
}

TEST(CounterRandomTest, NormalPairsHaveUnitVarianceAndNoCorrelation) {
  CounterRandom r(2024);
  const int n = 50000;
  double s1 = 0, s2 = 0, q1 = 0, q2 = 0, cross = 0;
  for (int i = 0; i < n; ++i) {
    double a, b;
    r.NextNormalPair(a, b);
    ASSERT_TRUE(std::isfinite(a) && std::isfinite(b));
    s1 += a;
    s2 += b;
    q1 += a * a;
    q2 += b * b;
    cross += a * b;
  }
  const double tolerance = 4.0 / std::sqrt(n);
  EXPECT_NEAR(s1 / n, 0.0, tolerance);
  EXPECT_NEAR(s2 / n, 0.0, tolerance);
  EXPECT_NEAR(q1 / n, 1.0, 3 * tolerance);
  EXPECT_NEAR(q2 / n, 1.0, 3 * tolerance);
  EXPECT_NEAR(cross / n, 0.0, tolerance);
}

// Keys of the C exports: seed, inputs and a per-thread counter that starts at
// 0 on every new thread, so a thread's results do not depend on others.
TEST(CounterRandomTest, CallKeysFollowSeedInputsAndPerThreadCounter) {
  auto keys_of_fresh_thread = [](uint64_t hash) {
    std::vector<uint64_t> keys;
    std::thread worker([&] {
      for (int i = 0; i < 5; ++i)
        keys.push_back(NextCallKey(hash));
    });
    worker.join();
    return keys;
  };
  SetLibrarySeed(0);
  const std::vector<uint64_t> first = keys_of_fresh_thread(11);
  EXPECT_EQ(first, keys_of_fresh_thread(11));
  EXPECT_NE(first, keys_of_fresh_thread(12));
  EXPECT_EQ(std::set<uint64_t>(first.begin(), first.end()).size(), first.size());
  SetLibrarySeed(5);
  EXPECT_NE(first, keys_of_fresh_thread(11));
  SetLibrarySeed(0);

  GameState state{};
  ShotVector shot{0.1f, -2.4f, 1, {0, 0, 0}};
  const uint64_t base = HashSimulationInputs(state, shot, 0.145f);
  shot.Padding[1] = 9;  // padding is not an input
  EXPECT_EQ(base, HashSimulationInputs(state, shot, 0.145f));
  state.Stones[15].y = 1e-30f;
  EXPECT_NE(base, HashSimulationInputs(state, shot, 0.145f));
}

}  // namespace
}  // namespace curling::sim
