#include "search/strong/strong_search.h"

#include <time.h>

#include <atomic>
#include <cassert>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "engine/simulator_binding.h"
#include "eval/rink.h"
#include "search/strong/end_rollout.h"
#include "search/strong/shot_making.h"
#include "search/strong/successive_halving.h"

namespace curling::strong {
namespace {

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The key of a position's rollouts: everything the search result depends on.
uint64_t PositionKey(const GameState& state, const GameSituation& situation, uint64_t seed) {
  uint64_t key = CombineKeys(seed, static_cast<uint32_t>(state.ShotNum));
  key = CombineKeys(key, static_cast<uint32_t>(state.CurEnd));
  key = CombineKeys(key, static_cast<uint32_t>(state.LastEnd));
  key = CombineKeys(key, static_cast<uint32_t>(situation.lead));
  key = CombineKeys(key, static_cast<uint32_t>(situation.ends_left));
  for (const StonePosition& s : state.Stones) {
    uint32_t x = 0;
    uint32_t y = 0;
    std::memcpy(&x, &s.x, sizeof x);
    std::memcpy(&y, &s.y, sizeof y);
    key = CombineKeys(key, (static_cast<uint64_t>(x) << 32) | y);
  }
  return key;
}

struct RoundTotals {
  std::vector<int64_t> sums;
  std::vector<int64_t> counts;
  double cpu_seconds = 0.0;
};

class RoundRunner {
 public:
  RoundRunner(const RolloutSetup& setup, const std::vector<CandidateShot>& candidates, uint64_t key)
      : setup_(setup), candidates_(candidates), key_(key) {}

  // Runs items 0 to `items` - 1 of the round (or fewer, when `timed` and the
  // deadline comes first) on `threads` threads, and adds them to `halving`.
  double Run(SuccessiveHalving& halving, int64_t items, bool timed, Clock::time_point deadline,
             int threads) {
    std::atomic<int64_t> next{0};
    std::vector<RoundTotals> totals(static_cast<size_t>(threads));
    auto work = [&](RoundTotals& t) {
      const double cpu_start = ThreadCpuSeconds();
      t.sums.assign(candidates_.size(), 0);
      t.counts.assign(candidates_.size(), 0);
      for (;;) {
        if (timed && Clock::now() >= deadline) break;
        const int64_t item = next.fetch_add(1, std::memory_order_relaxed);
        if (item >= items) break;
        const int c = halving.CandidateOf(item);
        const double value =
            PlayOutEnd(setup_, candidates_[static_cast<size_t>(c)].shot,
                       CombineKeys(key_, static_cast<uint64_t>(halving.SampleOf(item))));
        t.sums[static_cast<size_t>(c)] += SuccessiveHalving::ToFixed(value);
        ++t.counts[static_cast<size_t>(c)];
      }
      t.cpu_seconds = ThreadCpuSeconds() - cpu_start;
    };
    std::vector<std::thread> helpers;
    for (int i = 1; i < threads; ++i)
      helpers.emplace_back(work, std::ref(totals[static_cast<size_t>(i)]));
    work(totals[0]);
    for (std::thread& h : helpers)
      h.join();
    double cpu = 0.0;
    for (const RoundTotals& t : totals) {
      for (size_t c = 0; c < candidates_.size(); ++c) {
        if (t.counts[c] > 0) halving.Add(static_cast<int>(c), t.sums[c], t.counts[c]);
      }
      cpu += t.cpu_seconds;
    }
    return cpu;
  }

 private:
  const RolloutSetup& setup_;
  const std::vector<CandidateShot>& candidates_;
  uint64_t key_;
};

}  // namespace

SearchReport SearchStrongShot(const GameState& state, const GameSituation& situation,
                              const SearchLimits& limits) {
  assert(limits.threads >= 1);
  const Clock::time_point start = Clock::now();
  const uint64_t simulations_before = LibraryCalls().simulations;
  SearchReport report;
  if (state.ShotNum < 0 || state.ShotNum >= kStoneCount) {
    report.chosen = CandidateShot{DrawTo(kTeeX, kTeeY, 0), ShotKind::kDraw, -1};
    return report;
  }
  const std::vector<CandidateShot> candidates = GenerateCandidates(state);
  report.candidates = static_cast<int>(candidates.size());
  if (candidates.empty()) {
    report.chosen = CandidateShot{DrawTo(kTeeX, kTeeY, 0), ShotKind::kDraw, -1};
    return report;
  }
  const RolloutSetup setup{state, situation,
                           DeliveryError(limits.error, DeliveryError::MeasureDeceleration()),
                           ShotBook()};
  RoundRunner runner(setup, candidates, PositionKey(state, situation, limits.seed));
  SuccessiveHalving halving(static_cast<int>(candidates.size()));
  const bool timed = limits.rollouts <= 0;
  const auto span = limits.deadline - start;
  while (!halving.finished()) {
    const int r = halving.round();
    const int64_t items = timed ? std::numeric_limits<int64_t>::max()
                                : halving.RoundItems(limits.rollouts - halving.TotalCount());
    const Clock::time_point round_end = start + span * (r + 1) / halving.rounds();
    report.cpu_seconds += runner.Run(halving, items, timed, round_end, limits.threads);
    halving.EndRound();
  }
  const int best = halving.Best();
  report.chosen = candidates[static_cast<size_t>(best)];
  report.value = halving.Mean(best);
  report.rollouts = halving.TotalCount();
  report.simulations = LibraryCalls().simulations - simulations_before;
  report.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return report;
}

}  // namespace curling::strong
