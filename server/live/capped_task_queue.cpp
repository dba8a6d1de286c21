#include "server/live/capped_task_queue.h"

namespace curling::server::live {
namespace {
thread_local bool refusing = false;
}

CappedTaskQueue::CappedTaskQueue(size_t workers) : workers_(workers) {
  for (size_t i = 0; i < workers_; ++i)
    threads_.emplace_back([this] { Work(false); });
  threads_.emplace_back([this] { Work(true); });
}

CappedTaskQueue::~CappedTaskQueue() {
  shutdown();
}

bool CappedTaskQueue::OverCapacity() {
  return refusing;
}

void CappedTaskQueue::enqueue(std::function<void()> fn) {
  {
    std::lock_guard lock(mutex_);
    if (busy_ + jobs_.size() < workers_) {
      jobs_.push_back(std::move(fn));
      work_.notify_one();
      return;
    }
    refused_.push_back(std::move(fn));
  }
  refuse_.notify_one();
}

void CappedTaskQueue::shutdown() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ && threads_.empty()) return;
    stopping_ = true;
  }
  work_.notify_all();
  refuse_.notify_all();
  for (std::thread& t : threads_)
    if (t.joinable()) t.join();
  threads_.clear();
}

void CappedTaskQueue::Work(bool refuser) {
  refusing = refuser;
  std::deque<std::function<void()>>& queue = refuser ? refused_ : jobs_;
  std::condition_variable& wake = refuser ? refuse_ : work_;
  while (true) {
    std::function<void()> fn;
    {
      std::unique_lock lock(mutex_);
      wake.wait(lock, [&] { return stopping_ || !queue.empty(); });
      // Connections accepted before the stop are still answered (and closed).
      if (queue.empty()) return;
      fn = std::move(queue.front());
      queue.pop_front();
      if (!refuser) ++busy_;
    }
    fn();
    if (!refuser) {
      std::lock_guard lock(mutex_);
      --busy_;
    }
  }
}

}  // namespace curling::server::live
