// Memory running out inside a search: no choice, and no exception out of a
// worker thread (which would end the process). Failures come from replacing
// the global operator new in this test program only.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "search/default/search_best_shot.h"
#include "tests/support/recording_simulator.h"

namespace {

// Fail every allocation of one thread after a countdown, or of every other thread.
std::atomic<int> g_mode{0};  // 0 none, 1 this thread after countdown, 2 other threads
std::atomic<long> g_countdown{0};
std::atomic<long> g_refused{0};
std::thread::id g_thread;

struct AllocationFailure {
  AllocationFailure(int mode, long countdown) {
    g_thread = std::this_thread::get_id();
    g_countdown = countdown;
    g_refused = 0;
    g_mode = mode;
  }
  ~AllocationFailure() { g_mode = 0; }
};

}  // namespace

void* operator new(std::size_t size) {
  const int mode = g_mode.load();
  const bool here = std::this_thread::get_id() == g_thread;
  if ((mode == 1 && here && g_countdown.fetch_sub(1) <= 0) || (mode == 2 && !here)) {
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

GameState ShotFourteenWithStones() {
  GameState state{};
  state.ShotNum = 14;
  for (int k = 0; k < 14; ++k)
    state.Stones[k] = {1.6f + 0.1f * k, 4.2f + 0.1f * k};
  return state;
}

TEST(SearchMemoryFailureTest, ListsThatCannotGrowEndTheSearchWithoutAChoice) {
  RecordingSimulator::Load();
  RecordingSimulator::SetRecording(false);
  GameState state = ShotFourteenWithStones();
  int reports = 0;
  const SearchCallbacks count_reports{[&](int) { ++reports; }};
  // The search's own lists, first and later allocations; a sequential search
  // keeps its list per thread, so it runs on a fresh thread whose list must grow.
  for (long countdown : {0L, 5L, 11L}) {
    for (bool top_level : {true, false}) {
      std::optional<ScoredShot> result;
      auto search = [&] {
        AllocationFailure failure(1, countdown);
        result = SearchBestShot(state, {5.0f, 5, 1.83f, 0.145f, top_level}, count_reports);
      };
      top_level ? search() : std::thread(search).join();
      EXPECT_GT(g_refused.load(), 0);
      EXPECT_FALSE(result) << countdown << " " << top_level;
    }
  }
  EXPECT_EQ(reports, 0);
  // The look-ahead's lists in the workers: the list was reported, then no choice.
  {
    AllocationFailure failure(2, 0);
    EXPECT_FALSE(SearchBestShot(state, {1.0f, 2, 1.83f, 0.145f, true}, count_reports));
  }
  EXPECT_EQ(reports, 1);
  EXPECT_GT(g_refused.load(), 0);
  // At shot 15 the workers allocate nothing and the search succeeds.
  state.ShotNum = 15;
  AllocationFailure failure(2, 0);
  EXPECT_TRUE(SearchBestShot(state, {1.0f, 2, 1.83f, 0.145f, true}));
}

}  // namespace
}  // namespace curling
