// The C++ interface's batch: many deliveries from one position. The input
// stones are checked once; each delivery then runs the same event loop as a
// single call, so that its result is bit for bit the single call's.
#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "curling_simulator/simulator.h"
#include "sim/library_config.h"
#include "sim/shot_simulation.h"

namespace curling::sim {
namespace {

// Deliveries a thread takes at a time: large enough that the shared counter
// costs nothing, small enough to balance cheap draws against dear hits.
constexpr size_t kChunk = 16;
// Threads a batch starts at the most, whatever it is asked for.
constexpr int kMaxThreads = 256;

class Batch {
 public:
  Batch(const GameState& state, BatchDelivery* deliveries, GameState* results, size_t count,
        const ShotOptions& options)
      : state_(state),
        deliveries_(deliveries),
        results_(results),
        count_(count),
        options_(options),
        position_(PreparePosition(state, options, nullptr)) {}

  // Plays chunks until none is left.
  void Work() {
    for (;;) {
      const size_t begin = next_.fetch_add(kChunk, std::memory_order_relaxed);
      if (begin >= count_) return;
      const size_t end = std::min(begin + kChunk, count_);
      for (size_t i = begin; i < end; ++i)
        Play(deliveries_[i], results_[i]);
    }
  }

 private:
  void Play(BatchDelivery& delivery, GameState& result) const {
    RandomStream& stream = delivery.stream;
    CounterRandom random(StreamKey(stream.seed, stream.stream, stream.counter));
    ++stream.counter;
    result = state_;
    PlayPreparedShot(position_, result, delivery.shot, options_, random, nullptr, nullptr);
  }

  const GameState& state_;
  BatchDelivery* deliveries_;
  GameState* results_;
  const size_t count_;
  const ShotOptions options_;
  const PreparedPosition position_;
  std::atomic<size_t> next_{0};
};

}  // namespace

void PlayBatchFinalStates(const GameState& state, BatchDelivery* deliveries, GameState* results,
                          size_t count, float random_error, const Rules& rules, int threads) {
  if (count == 0) return;
  if (deliveries == nullptr || results == nullptr) {
    throw std::invalid_argument("PlayBatchFinalStates: no deliveries or no room for the results");
  }
  ShotOptions options;
  options.random_error = random_error;
  options.free_guard_zone = rules.free_guard_zone;
  // A copy: `state` may be one of the results.
  const GameState start = state;
  Batch batch(start, deliveries, results, count, options);
  const size_t chunks = (count + kChunk - 1) / kChunk;
  const size_t helpers =
      std::min(static_cast<size_t>(std::clamp(threads, 1, kMaxThreads)), chunks) - 1;
  std::vector<std::thread> pool;
  for (size_t t = 0; t < helpers; ++t) {
    try {
      pool.emplace_back([&batch] { batch.Work(); });
    } catch (const std::system_error&) {
      break;  // the threads that did start share the work
    }
  }
  batch.Work();
  for (std::thread& thread : pool)
    thread.join();
}

}  // namespace curling::sim
