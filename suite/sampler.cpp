#include "suite/sampler.h"

#include <algorithm>
#include <cassert>
#include <thread>

#include "eval/scoring.h"

namespace curling::suite {
namespace {

// Work is handed out in pieces of this many samples of one delivery: small
// enough to spread a few deliveries over every thread, large enough that the
// hand-out costs nothing.
constexpr int kChunk = 128;
// Evaluation streams start far beyond any search stream.
constexpr uint64_t kEvaluationStreams = uint64_t{1} << 40;

uint64_t FirstStream(SampleSet set) {
  return set == SampleSet::kSearch ? 0 : kEvaluationStreams;
}

}  // namespace

SampleRules RulesOf(const SuiteHeader& header) {
  SampleRules rules;
  rules.error = header.error;
  rules.rules.free_guard_zone = header.free_guard_zone;
  rules.seed = header.seed;
  return rules;
}

ResultCounts CountsOf(const SamplePoints& points) {
  ResultCounts counts;
  for (const int8_t p : points)
    counts.Add(p);
  return counts;
}

Sampler::Sampler(const SampleRules& rules, int threads)
    : rules_(rules), threads_(std::max(threads, 1)) {}

std::vector<SamplePoints> Sampler::Play(const GameState& state,
                                        const std::vector<ShotVector>& shots, int samples,
                                        SampleSet set) const {
  assert(samples > 0);
  assert(state.ShotNum >= 0 && state.ShotNum <= 15);
  std::vector<SamplePoints> points(shots.size(), SamplePoints(static_cast<size_t>(samples)));
  const int chunks_per_shot = (samples + kChunk - 1) / kChunk;
  const int64_t tasks = static_cast<int64_t>(shots.size()) * chunks_per_shot;
  std::atomic<int64_t> next{0};
  const int side = state.ShotNum % 2;
  const uint64_t first_stream = FirstStream(set);
  auto work = [&] {
    // A chunk's samples are one batch of the library.
    std::vector<sim::BatchDelivery> deliveries(kChunk);
    std::vector<GameState> after(kChunk);
    for (int64_t task; (task = next.fetch_add(1, std::memory_order_relaxed)) < tasks;) {
      const size_t shot = static_cast<size_t>(task / chunks_per_shot);
      const int begin = static_cast<int>(task % chunks_per_shot) * kChunk;
      const int end = std::min(begin + kChunk, samples);
      for (int j = begin; j < end; ++j) {
        deliveries[static_cast<size_t>(j - begin)] = {
            shots[shot], {rules_.seed, first_stream + static_cast<uint64_t>(j), 0}};
      }
      sim::PlayBatchFinalStates(state, deliveries.data(), after.data(),
                                static_cast<size_t>(end - begin), rules_.error, rules_.rules);
      for (int j = begin; j < end; ++j) {
        points[shot][static_cast<size_t>(j)] =
            static_cast<int8_t>(ScorePosition(after[static_cast<size_t>(j - begin)], side));
      }
      played_.fetch_add(end - begin, std::memory_order_relaxed);
    }
  };
  const int helpers = static_cast<int>(std::min<int64_t>(threads_, tasks)) - 1;
  std::vector<std::thread> pool;
  for (int i = 0; i < helpers; ++i)
    pool.emplace_back(work);
  work();
  for (std::thread& t : pool)
    t.join();
  return points;
}

std::vector<ResultCounts> Sampler::Count(const GameState& state,
                                         const std::vector<ShotVector>& shots, int samples,
                                         SampleSet set) const {
  std::vector<ResultCounts> counts;
  for (const SamplePoints& p : Play(state, shots, samples, set))
    counts.push_back(CountsOf(p));
  return counts;
}

}  // namespace curling::suite
