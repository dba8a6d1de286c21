#include "learn/data_generation.h"

#include <atomic>
#include <cassert>
#include <system_error>
#include <thread>

#include "eval/position_features.h"
#include "search/strong/noise_stream.h"

namespace curling::learn {
namespace {

TrainingRecord MakeRecord(const GenerationPlan& plan, const PositionSampler& sampler,
                          const LabelSetup& labels, int64_t index) {
  const uint64_t key =
      strong::CombineKeys(strong::CombineKeys(plan.seed, plan.shot), static_cast<uint64_t>(index));
  const GameState state = sampler.Sample(plan.shot, strong::CombineKeys(key, 1));
  TrainingRecord record;
  record.features = FeaturesOf(state);
  record.results = LabelPosition(state, labels, strong::CombineKeys(key, 2)).results;
  record.shot = plan.shot;
  return record;
}

}  // namespace

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
