#include "search/strong/strong_search.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

#include "game/rink.h"
#include "game/simulator_binding.h"
#include "search/strong/delivery_value.h"
#include "search/strong/end_rollout.h"
#include "search/strong/nearby_deliveries.h"
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
  std::vector<int64_t> sums;  // fixed-point, per candidate
  std::vector<int64_t> counts;
  double cpu_seconds = 0.0;
};

// One round's work: items handed out from a shared counter, a few at a time,
// until the round's share is done (or its deadline passes), each a sample of
// its candidate.
struct Round {
  const SuccessiveHalving& halving;
  int64_t items;
  bool timed;
  Clock::time_point deadline;
  std::atomic<int64_t> next{0};
};

// How the samples of a round are valued: values[i] for samples[i], each from
// its shot and key alone, and how many a worker takes at a time (the value
// search's deliveries are played together; a rollout is worth a deadline
// check of its own).
struct SampleJudge {
  std::function<void(std::span<const DeliverySample> samples, double* values)> values;
  int64_t at_once = 1;
};

// Samples a worker takes at a time from the value search's round.
constexpr int64_t kDeliveriesTogether = 16;

class RoundRunner {
 public:
  RoundRunner(SampleJudge judge, const std::vector<CandidateShot>& candidates, uint64_t key)
      : judge_(std::move(judge)), candidates_(candidates), key_(key) {
    assert(judge_.at_once >= 1 && judge_.at_once <= kDeliveriesTogether);
  }

  // Runs the round on `threads` threads of its own while the calling thread
  // waits, as the default engine's search does (fewer threads when no more
  // can be started; the calling thread itself when none can), and adds its
  // rollouts to `halving`. Returns the CPU seconds spent.
  double Run(SuccessiveHalving& halving, int64_t items, bool timed, Clock::time_point deadline,
             int threads) const {
    // A round whose time is up starts no thread: a spent budget is answered
    // without waiting for threads to be scheduled, which on a busy machine
    // can take milliseconds each.
    if (timed && Clock::now() >= deadline) return 0.0;
    Round round{halving, items, timed, deadline};
    std::vector<RoundTotals> totals(static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    try {
      for (int i = 0; i < threads; ++i) {
        workers.emplace_back(&RoundRunner::Work, this, std::ref(round),
                             std::ref(totals[static_cast<size_t>(i)]));
      }
    } catch (const std::system_error&) {
      // An unstarted thread's totals stay empty.
    }
    if (workers.empty()) Work(round, totals[0]);
    for (std::thread& w : workers)
      w.join();
    return Merge(totals, halving);
  }

 private:
  void Work(Round& round, RoundTotals& t) const {
    const double cpu_start = ThreadCpuSeconds();
    t.sums.assign(candidates_.size(), 0);
    t.counts.assign(candidates_.size(), 0);
    std::array<DeliverySample, kDeliveriesTogether> samples;
    std::array<size_t, kDeliveriesTogether> candidate;
    std::array<double, kDeliveriesTogether> values;
    for (;;) {
      if (round.timed && Clock::now() >= round.deadline) break;
      const int64_t first = round.next.fetch_add(judge_.at_once, std::memory_order_relaxed);
      if (first >= round.items) break;
      const size_t count = static_cast<size_t>(std::min(judge_.at_once, round.items - first));
      for (size_t i = 0; i < count; ++i) {
        const int64_t item = first + static_cast<int64_t>(i);
        candidate[i] = static_cast<size_t>(round.halving.CandidateOf(item));
        assert(candidate[i] < candidates_.size() && candidate[i] < t.sums.size());
        const uint64_t sample = static_cast<uint64_t>(round.halving.SampleOf(item));
        samples[i] = {candidates_[candidate[i]].shot, CombineKeys(key_, sample)};
      }
      judge_.values(std::span(samples.data(), count), values.data());
      for (size_t i = 0; i < count; ++i) {
        t.sums[candidate[i]] += SuccessiveHalving::ToFixed(values[i]);
        ++t.counts[candidate[i]];
      }
    }
    t.cpu_seconds = ThreadCpuSeconds() - cpu_start;
  }

  static double Merge(const std::vector<RoundTotals>& totals, SuccessiveHalving& halving) {
    double cpu = 0.0;
    for (const RoundTotals& t : totals) {
      for (size_t c = 0; c < t.counts.size(); ++c) {
        if (t.counts[c] > 0) halving.Add(static_cast<int>(c), t.sums[c], t.counts[c]);
      }
      cpu += t.cpu_seconds;
    }
    return cpu;
  }

  SampleJudge judge_;
  const std::vector<CandidateShot>& candidates_;
  uint64_t key_;
};

// A draw to the button, for a position with nothing to search.
CandidateShot Unsearched() {
  return CandidateShot{DrawTo(kTeeX, kTeeY, 0), ShotKind::kDraw, -1};
}

// Plays every round of `halving`, each with an equal share of the rollouts or
// of the time from `start` to the deadline. Returns the CPU seconds spent.
double RunRounds(const RoundRunner& runner, SuccessiveHalving& halving, const SearchLimits& limits,
                 Clock::time_point start) {
  const bool timed = limits.rollouts <= 0;
  double cpu_seconds = 0.0;
  while (!halving.finished()) {
    const int64_t items = timed ? std::numeric_limits<int64_t>::max()
                                : halving.RoundItems(limits.rollouts - halving.TotalCount());
    const Clock::time_point round_end =
        start + (limits.deadline - start) * (halving.round() + 1) / halving.rounds();
    [[maybe_unused]] const int64_t played_before = halving.TotalCount();
    cpu_seconds += runner.Run(halving, items, timed, round_end, limits.threads);
    // Without a clock a round plays every item once, whatever the threads:
    // what keeps a fixed number of rollouts reproducible.
    assert(timed || halving.TotalCount() - played_before == items);
    halving.EndRound();
  }
  return cpu_seconds;
}

// The budget of the broad search over every candidate: all of it, or two
// thirds when the rest refines its choice.
SearchLimits BroadShare(const SearchLimits& limits, Clock::time_point start) {
  SearchLimits broad = limits;
  if (limits.refine) {
    broad.rollouts = limits.rollouts - limits.rollouts / 3;
    broad.deadline = start + (limits.deadline - start) * 2 / 3;
  }
  return broad;
}

// Searches the deliveries near `report.chosen` with the rest of the budget
// (from `start`) and takes the best of them; the choice stands when nothing
// near it could be sampled.
void RefineChoice(const SampleJudge& judge, uint64_t key, const DeliveryErrorModel& error,
                  const SearchLimits& limits, Clock::time_point start, SearchReport& report) {
  const std::vector<CandidateShot> nearby = NearbyDeliveries(report.chosen, error);
  if (nearby.empty()) return;
  SearchLimits rest = limits;
  rest.rollouts = limits.rollouts / 3;
  // A count of samples too small to leave refinement any: no rollouts would
  // otherwise read as a timed search.
  if (limits.rollouts > 0 && rest.rollouts == 0) return;
  const RoundRunner runner(judge, nearby, key);
  SuccessiveHalving halving(static_cast<int>(nearby.size()));
  report.cpu_seconds += RunRounds(runner, halving, rest, start);
  report.rollouts += halving.TotalCount();
  const int best = halving.Best();
  assert(best >= 0 && static_cast<size_t>(best) < nearby.size());
  if (halving.Count(best) == 0) return;
  report.chosen = nearby[static_cast<size_t>(best)];
  report.value = halving.Mean(best);
}

}  // namespace

SearchReport SearchStrongShot(const GameState& state, const GameSituation& situation,
                              const SearchLimits& limits) {
  assert(limits.threads >= 1);
  const Clock::time_point start = Clock::now();
  const uint64_t simulations_before = LibraryCalls().simulations;
  SearchReport report;
  report.chosen = Unsearched();
  if (state.ShotNum < 0 || state.ShotNum >= kStoneCount) return report;
  const std::vector<CandidateShot> candidates = GenerateCandidates(state, limits.hits);
  report.candidates = static_cast<int>(candidates.size());
  if (candidates.empty()) return report;

  const DeliveryErrorModel error(limits.error, DeliveryErrorModel::MeasureDeceleration());
  std::optional<RolloutSetup> rollout;
  std::optional<DeliveryValueSetup> judged;
  SampleJudge judge;
  if (limits.network != nullptr) {
    judged.emplace(DeliveryValueSetup{state, situation, error, *limits.network});
    judge.values = [&judged](std::span<const DeliverySample> samples, double* values) {
      JudgeDeliveries(*judged, samples, values);
    };
    judge.at_once = kDeliveriesTogether;
  } else {
    rollout.emplace(RolloutSetup{state, situation, error, ShotBook()});
    judge.values = [&rollout](std::span<const DeliverySample> samples, double* values) {
      for (size_t i = 0; i < samples.size(); ++i)
        values[i] = PlayOutEnd(*rollout, samples[i].shot, samples[i].key);
    };
  }
  const uint64_t key = PositionKey(state, situation, limits.seed);
  const RoundRunner runner(judge, candidates, key);
  SuccessiveHalving halving(static_cast<int>(candidates.size()));
  const SearchLimits broad = BroadShare(limits, start);
  report.cpu_seconds = RunRounds(runner, halving, broad, start);
  const int best = halving.Best();
  assert(best >= 0 && static_cast<size_t>(best) < candidates.size());
  report.chosen = candidates[static_cast<size_t>(best)];
  report.value = halving.Mean(best);
  report.rollouts = halving.TotalCount();
  if (limits.refine) RefineChoice(judge, key, error, limits, broad.deadline, report);
  report.simulations = LibraryCalls().simulations - simulations_before;
  report.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return report;
}

}  // namespace curling::strong
