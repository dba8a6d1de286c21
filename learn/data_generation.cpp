#include "learn/data_generation.h"

#include <atomic>
#include <cassert>
#include <system_error>
#include <thread>
#include <utility>

#include "eval/position_features.h"
#include "search/strong/noise_stream.h"

namespace curling::learn {
namespace {

TrainingRecord MakeRecord(const GenerationPlan& plan, const PositionSampler& sampler,
                          const LabelSetup& labels, int64_t index) {
  const uint64_t key =
      strong::CombineKeys(strong::CombineKeys(plan.seed, plan.shot), static_cast<uint64_t>(index));
  const GameState state = index < static_cast<int64_t>(plan.played.size())
                              ? plan.played[static_cast<size_t>(index)]
                              : sampler.Sample(plan.shot, strong::CombineKeys(key, 1));
  assert(state.ShotNum == plan.shot);
  TrainingRecord record;
  record.features = FeaturesOf(state);
  record.results = LabelPosition(state, labels, strong::CombineKeys(key, 2)).results;
  record.shot = plan.shot;
  return record;
}

}  // namespace

std::vector<GameState> ChoosePlayedPositions(std::vector<GameState> pool, int64_t count,
                                             uint64_t seed) {
  assert(count >= 0);
  // Fisher-Yates on the project's own keyed draws: the same order on every
  // platform.
  for (size_t i = pool.size(); i > 1; --i) {
    const size_t j = static_cast<size_t>(strong::CombineKeys(seed, i) % i);
    std::swap(pool[i - 1], pool[j]);
  }
  if (static_cast<int64_t>(pool.size()) > count) pool.resize(static_cast<size_t>(count));
  return pool;
}

std::vector<TrainingRecord> GenerateRecords(const GenerationPlan& plan,
                                            const PositionSampler& sampler,
                                            const LabelSetup& labels) {
  assert(plan.positions >= 0 && plan.threads >= 1);
  std::vector<TrainingRecord> records(static_cast<size_t>(plan.positions));
  std::atomic<int64_t> next{0};
  auto work = [&] {
    for (int64_t i = next.fetch_add(1); i < plan.positions; i = next.fetch_add(1))
      records[static_cast<size_t>(i)] = MakeRecord(plan, sampler, labels, i);
  };
  std::vector<std::thread> workers;
  try {
    for (int t = 0; t < plan.threads; ++t)
      workers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads than asked: those started share the work.
  }
  if (workers.empty()) work();
  for (std::thread& w : workers)
    w.join();
  return records;
}

}  // namespace curling::learn
