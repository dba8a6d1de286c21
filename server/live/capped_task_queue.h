// The web server's threads: `workers` connections served at once; any
// connection beyond them is handed to one thread of its own that answers it
// with a refusal (OverCapacity() says so to the handlers there), so that
// neither queue grows with a crowd waiting.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <httplib.h>

namespace curling::server::live {

class CappedTaskQueue : public httplib::TaskQueue {
 public:
  explicit CappedTaskQueue(size_t workers);
  ~CappedTaskQueue() override;
  void enqueue(std::function<void()> fn) override;
  void shutdown() override;

  // True on the thread that refuses connections over the cap.
  static bool OverCapacity();

 private:
  void Work(bool refuser);

  const size_t workers_;
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable refuse_;
  std::deque<std::function<void()>> jobs_;
  std::deque<std::function<void()>> refused_;
  size_t busy_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace curling::server::live
