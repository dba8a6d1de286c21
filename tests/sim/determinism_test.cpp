// The same calls give the same positions in every build and on any number of
// threads: a golden hash of 1,024 seeded shots into 0, 4, 8 and 15 stones.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <thread>

#include "library_support.h"

namespace curling::simtest {
namespace {

// The same in release, debug and sanitizer builds; changing it changes every
// result the engine computes.
constexpr uint64_t kGoldenHash = 0x0CB7A1C552E84801ull;

constexpr uint64_t kLibrarySeed = 20261206;
constexpr int kScenesPerSet = 128;  // x 4 stone counts x 2 kinds = 1,024 shots

struct Prepared {
  GameState state;
  ShotVector shot;
};

std::vector<Prepared> PreparedShots() {
  std::vector<Prepared> shots;
  for (int stones : scenes::kSceneStoneCounts) {
    for (auto kind : {scenes::ShotKind::kDraw, scenes::ShotKind::kHit}) {
      for (const scenes::Scene& sc : scenes::MakeScenes(stones, kind, kScenesPerSet, 7))
        shots.push_back({sc.state, SceneShot(sc)});
    }
  }
  return shots;
}

// The whole set through the C exports (random error 0.145, this thread's
// counter from 0) and the first 256 through PlayShot on an explicit stream.
uint64_t HashOfSet(const std::vector<Prepared>& shots) {
  uint64_t h = 0xCBF29CE484222325ull;
  for (const Prepared& p : shots) {
    h = HashBytes(h, &p.shot, 9);
    const GameState out = Simulate(p.state, p.shot, 0.145f);
    h = HashBytes(h, &out, sizeof out);
  }
  sim::RandomStream stream{99, 3, 0};
  for (size_t i = 0; i < 256; ++i) {
    const sim::ShotOutcome out = sim::PlayShot(shots[i].state, shots[i].shot, 0.145f, stream);
    h = HashBytes(h, &out.final_state, sizeof out.final_state);
  }
  return h;
}

// Builds the deliveries and plays them on a thread of its own, whose call
// counter starts at 0.
uint64_t HashOnFreshThread() {
  uint64_t h = 0;
  std::thread([&] { h = HashOfSet(PreparedShots()); }).join();
  return h;
}

TEST(Determinism, GoldenHashOfAThousandShotsOnOneAndOnEightThreads) {
  SetRandomSeed(kLibrarySeed);
  SetFreeGuardZoneRule(1);
  ASSERT_EQ(PreparedShots().size(), 1024u);
  const uint64_t h = HashOnFreshThread();
  char text[32];
  std::snprintf(text, sizeof text, "0x%016" PRIX64, h);
  RecordProperty("hash", text);
  EXPECT_EQ(h, kGoldenHash) << "rest positions changed: hash is now " << text;
  // Each thread also builds its deliveries, so the inverse exports run
  // concurrently too.
  std::vector<uint64_t> hashes(8);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&, i] { hashes[i] = HashOfSet(PreparedShots()); });
  for (auto& t : threads)
    t.join();
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(hashes[i], kGoldenHash) << "thread " << i;
}

}  // namespace
}  // namespace curling::simtest
