// The same calls give the same positions in every build and on any number of
// threads: a golden hash of 1,024 seeded shots into 0, 4, 8 and 15 stones
// (support/golden_set.h).
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <thread>

#include "library_support.h"
#include "support/golden_set.h"

namespace curling::simtest {
namespace {

// The same in release, debug and sanitizer builds; changing it changes every
// result the engine computes.
constexpr uint64_t kGoldenHash = 0x0CB7A1C552E84801ull;

// Builds the deliveries and plays them on a thread of its own, whose call
// counter starts at 0.
uint64_t HashOnFreshThread() {
  uint64_t h = 0;
  std::thread([&] { h = golden::PlayGoldenSet(golden::GoldenShots()); }).join();
  return h;
}

TEST(Determinism, GoldenHashOfAThousandShotsOnOneAndOnEightThreads) {
  SetRandomSeed(golden::kLibrarySeed);
  SetFreeGuardZoneRule(1);
  ASSERT_EQ(golden::GoldenShots().size(), 1024u);
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
    threads.emplace_back([&, i] { hashes[i] = golden::PlayGoldenSet(golden::GoldenShots()); });
  for (auto& t : threads)
    t.join();
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(hashes[i], kGoldenHash) << "thread " << i;
}

}  // namespace
}  // namespace curling::simtest
