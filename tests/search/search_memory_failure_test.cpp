// Memory running out inside a search: the search ends with NoScore, BestShot
// keeps its contents, and no exception escapes a worker thread (which would
// end the process). Allocation failures are provoked by replacing the global
// operator new in this test program only.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#include "search/search_best_shot.h"
#include "tests/search/stdout_capture.h"
#include "tests/support/recording_simulator.h"

namespace {

enum FailureMode : int {
  kNoFailure = 0,
  kFailOnTestThreadAfterCountdown = 1,
  kFailOnOtherThreads = 2
};

std::atomic<int> g_mode{kNoFailure};
std::atomic<long> g_countdown{0};
std::atomic<long> g_refused{0};
std::thread::id g_test_thread;

bool ShouldFail() {
  switch (g_mode.load(std::memory_order_relaxed)) {
    case kFailOnTestThreadAfterCountdown:
      if (std::this_thread::get_id() != g_test_thread) return false;
      return g_countdown.fetch_sub(1) <= 0;
    case kFailOnOtherThreads:
      return std::this_thread::get_id() != g_test_thread;
    default:
      return false;
  }
}

// Sets the failure mode for one scope.
class AllocationFailure {
 public:
  AllocationFailure(FailureMode mode, long countdown = 0) {
    g_test_thread = std::this_thread::get_id();
    g_countdown = countdown;
    g_refused = 0;
    g_mode = mode;
  }
  ~AllocationFailure() { g_mode = kNoFailure; }
};

}  // namespace

void* operator new(std::size_t size) {
  if (ShouldFail()) {
    g_refused.fetch_add(1);
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace curling {
namespace {

using ::curling::testing::RecordingSimulator;
using ::curling::testing::StdoutCapture;

const ShotVector kSentinel{3.5f, -1.25f, 1, {0, 0, 0}};

GameState ShotFourteenWithStones() {
  GameState state{};
  state.ShotNum = 14;
  for (int k = 0; k < 14; ++k)
    state.Stones[k] = {1.6f + 0.1f * k, 4.2f + 0.1f * k};
  return state;
}

TEST(SearchMemoryFailureTest, ListGrowthFailingLeavesBestShotAndWritesNothing) {
  RecordingSimulator::Load();
  RecordingSimulator::SetRecording(false);
  const GameState state = ShotFourteenWithStones();
  // Fail at the first allocation and at later ones. A sequential search keeps
  // its list's capacity per thread, so each of its cases runs on a fresh thread
  // whose list still has to grow.
  for (long countdown : {0L, 5L, 11L}) {
    for (int top_level : {1, 0}) {
      ShotVector best = kSentinel;
      StdoutCapture capture;
      float result = 0.0f;
      auto search = [&] {
        AllocationFailure failure(kFailOnTestThreadAfterCountdown, countdown);
        result = SearchBestShot(state, best, 5.0f, 5, 1.83f, 0.145f, top_level);
      };
      if (top_level != 0) {
        search();
      } else {
        std::thread(search).join();
      }
      const std::string text = capture.Finish();
      EXPECT_GT(g_refused.load(), 0) << countdown << " " << top_level;
      EXPECT_EQ(result, -8.0f) << countdown << " " << top_level;
      EXPECT_EQ(std::memcmp(&best, &kSentinel, sizeof best), 0);
      EXPECT_EQ(text, "");
    }
  }
  // With memory back the same search chooses a shot.
  ShotVector best = kSentinel;
  StdoutCapture capture;
  EXPECT_GT(SearchBestShot(state, best, 1.0f, 2, 1.83f, 0.145f, 1), -8.0f);
  EXPECT_NE(std::memcmp(&best, &kSentinel, sizeof best), 0);
}

TEST(SearchMemoryFailureTest, LookAheadFailingInWorkersEndsTheSearchWithNoScore) {
  RecordingSimulator::Load();
  RecordingSimulator::SetRecording(false);
  const GameState state = ShotFourteenWithStones();
  ShotVector best = kSentinel;
  StdoutCapture capture;
  float result;
  {
    AllocationFailure failure(kFailOnOtherThreads);
    result = SearchBestShot(state, best, 1.0f, 2, 1.83f, 0.145f, 1);
  }
  const std::string text = capture.Finish();
  EXPECT_GT(g_refused.load(), 0);
  // The list itself was built, so its size was announced before the workers ran.
  EXPECT_EQ(text.rfind("ShotNum:", 0), 0u);
  EXPECT_EQ(result, -8.0f);
  EXPECT_EQ(std::memcmp(&best, &kSentinel, sizeof best), 0);
  // No look-ahead at shot 15: the workers allocate nothing and the search succeeds.
  GameState last = state;
  last.ShotNum = 15;
  {
    StdoutCapture capture;
    AllocationFailure failure(kFailOnOtherThreads);
    result = SearchBestShot(last, best, 1.0f, 2, 1.83f, 0.145f, 1);
  }
  EXPECT_GT(result, -8.0f);
}

}  // namespace
}  // namespace curling
