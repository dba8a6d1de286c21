#include "python/binding/batch_simulation.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstring>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "eval/scoring.h"

namespace curling::python {
namespace {

// Deliveries a worker takes at a time, played by the library as one batch:
// large enough that the shared counter and the batch's checks of the position
// cost nothing, small enough to balance cheap draws against dear hits.
constexpr int64_t kChunk = 64;

class BatchWork {
 public:
  BatchWork(const BatchRequest& request, StonePosition* stones, int32_t* counts)
      : request_(request), stones_(stones), counts_(counts) {}

  // Plays chunks until none is left or a worker failed.
  void Work() {
    const int64_t total = request_.shot_count * request_.repeats;
    try {
      for (;;) {
        const int64_t begin = next_.fetch_add(kChunk);
        if (begin >= total || failed_.load()) return;
        Play(begin, std::min(begin + kChunk, total));
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(error_mutex_);
      if (!error_) error_ = std::current_exception();
      failed_ = true;
    }
  }

  void RethrowAnyError() const {
    if (error_) std::rethrow_exception(error_);
  }

 private:
  // Deliveries begin .. end - 1 (at most kChunk).
  void Play(int64_t begin, int64_t end) {
    sim::BatchDelivery deliveries[kChunk];
    GameState after[kChunk];
    const size_t count = static_cast<size_t>(end - begin);
    for (size_t k = 0; k < count; ++k) {
      const int64_t delivery = begin + static_cast<int64_t>(k);
      const int64_t j = delivery / request_.repeats;
      const int64_t i = delivery % request_.repeats;
      deliveries[k] = {request_.shots[j],
                       {request_.seed, static_cast<uint64_t>(j), static_cast<uint64_t>(i)}};
    }
    sim::PlayBatchFinalStates(request_.state, deliveries, after, count, request_.error,
                              request_.rules);
    for (size_t k = 0; k < count; ++k) {
      const int64_t delivery = begin + static_cast<int64_t>(k);
      std::memcpy(stones_ + delivery * 16, after[k].Stones, sizeof(after[k].Stones));
      counts_[delivery] = ScorePosition(after[k], request_.state.ShotNum % 2);
    }
  }

  const BatchRequest& request_;
  StonePosition* stones_;
  int32_t* counts_;
  std::atomic<int64_t> next_{0};
  std::atomic<bool> failed_{false};
  std::mutex error_mutex_;
  std::exception_ptr error_;
};

}  // namespace

void RunBatch(const BatchRequest& request, StonePosition* stones, int32_t* counts) {
  assert(request.threads >= 1 && request.repeats >= 0 && request.shot_count >= 0);
  BatchWork work(request, stones, counts);
  std::vector<std::thread> helpers;
  for (int t = 1; t < request.threads; ++t) {
    try {
      helpers.emplace_back([&work] { work.Work(); });
    } catch (const std::system_error&) {
      break;  // the threads that did start share the work
    }
  }
  work.Work();
  for (std::thread& helper : helpers)
    helper.join();
  work.RethrowAnyError();
}

}  // namespace curling::python
