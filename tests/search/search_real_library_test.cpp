// Whole searches at shots 14 and 15 against the real physics library, through
// a counting pass-through: the library traffic a search makes, that the
// chosen shot is one of the top-level candidates, and that a search is
// reproducible. Wall times are printed for the record, never asserted.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/simulator_binding.h"
#include "search/parallel_evaluation.h"
#include "search/search_best_shot.h"
#include "tests/search/stdout_capture.h"

#ifndef CURLING_COUNTING_SIMULATOR_PATH
#error "CURLING_COUNTING_SIMULATOR_PATH must be defined by the build"
#endif

namespace curling {
namespace {

using ::curling::testing::StdoutCapture;

struct LibraryCalls {
  long long simulations, create_shots, create_hit_shots;
};

class SearchRealLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string reason;
    ASSERT_TRUE(LoadSimulator(CURLING_COUNTING_SIMULATOR_PATH, reason)) << reason;
    void* handle = dlopen(CURLING_COUNTING_SIMULATOR_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    totals_ = reinterpret_cast<void (*)(long long*)>(dlsym(handle, "CountingTotals"));
    reset_ = reinterpret_cast<void (*)()>(dlsym(handle, "CountingReset"));
    ASSERT_TRUE(totals_ != nullptr && reset_ != nullptr);
  }
  static LibraryCalls Calls() {
    long long counts[3];
    totals_(counts);
    return {counts[0], counts[1], counts[2]};
  }

  struct Run {
    float mean;
    ShotVector best;
    std::string text;
    LibraryCalls calls;
    double seconds;
  };
  static Run Search(const GameState& state, float trials, int grid_points, float grid_width) {
    reset_();
    Run run{};
    StdoutCapture capture;
    const auto start = std::chrono::steady_clock::now();
    run.mean = SearchBestShot(state, run.best, trials, grid_points, grid_width, 0.145f, 1);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.text = capture.Finish();
    run.calls = Calls();
    std::printf(
        "search at shot %d: %s, mean %.4f, %.2f s, %lld Simulation, %lld CreateShot, "
        "%lld CreateHitShot\n",
        state.ShotNum, run.text.c_str(), run.mean, run.seconds, run.calls.simulations,
        run.calls.create_shots, run.calls.create_hit_shots);
    return run;
  }

  // Stones 0 to 13 in two rows behind the tee (all below the freeze line),
  // stone 14 a centre guard.
  static GameState CrowdedHouse(int shot) {
    GameState state{};
    state.ShotNum = shot;
    for (int k = 0; k < 14; ++k) {
      state.Stones[k] = {0.6f + 0.55f * static_cast<float>(k % 7), k < 7 ? 3.6f : 4.3f};
    }
    if (shot > 14) state.Stones[14] = {2.375f, 7.5f};
    return state;
  }
  static bool IsCandidate(const ShotVector& shot) {
    for (const ShotVector& c : CandidateTable()) {
      if (std::memcmp(&c, &shot, sizeof shot) == 0) return true;
    }
    return false;
  }

  static inline void (*totals_)(long long*) = nullptr;
  static inline void (*reset_)() = nullptr;
};

TEST_F(SearchRealLibraryTest, LastShotSearchOverSixHundredThirtyCandidates) {
  const GameState state = CrowdedHouse(15);
  const Run run = Search(state, 30.0f, 15, 2.44f);
  EXPECT_EQ(run.text, "ShotNum:630");
  EXPECT_EQ(run.calls.create_shots + run.calls.create_hit_shots, 630);
  EXPECT_EQ(run.calls.create_hit_shots, 12 * 15);
  EXPECT_EQ(run.calls.simulations, 630LL * 30);
  ASSERT_GT(run.mean, -8.0f);
  EXPECT_LE(run.mean, 8.0f);
  EXPECT_TRUE(IsCandidate(run.best));

  // Each worker makes the same calls in the same order on a fresh thread, so
  // the search is reproducible.
  const std::vector<float> scores = ScoreTable();
  const Run again = Search(state, 30.0f, 15, 2.44f);
  EXPECT_EQ(again.mean, run.mean);
  EXPECT_EQ(std::memcmp(&again.best, &run.best, sizeof run.best), 0);
  EXPECT_EQ(ScoreTable(), scores);
}

TEST_F(SearchRealLibraryTest, SecondToLastShotSearchWithLookAhead) {
  const GameState state = CrowdedHouse(14);
  const Run run = Search(state, 5.0f, 5, 1.83f);
  EXPECT_EQ(run.text, "ShotNum:274");
  // 274 candidates, 3 trials each; every outcome is followed by one
  // simulation of each reply the nested search built for it.
  const long long top = 274LL * 3;
  const long long reply_builds = run.calls.create_shots + run.calls.create_hit_shots - 274;
  EXPECT_EQ(run.calls.simulations - top, reply_builds);
  EXPECT_GE(reply_builds, top * 50);             // at least the 5 x 5 grid in both curls
  EXPECT_LE(reply_builds, top * (50 + 2 * 15));  // and two hits per stone in play
  ASSERT_GT(run.mean, -8.0f);
  EXPECT_TRUE(IsCandidate(run.best));
}

}  // namespace
}  // namespace curling
