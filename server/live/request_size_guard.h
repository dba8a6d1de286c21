// The cap on what a connection may send before it is answered. The web
// library caps the request line and each header line, but not how many
// header lines there are: a client that sends headers without end would make
// it hold them all. This guard looks at every connection of the server's port
// every `period` and cuts any that has sent more than
// `limit` bytes since its last request was taken in, as counted by the
// kernel (TCP_INFO), so no connection can make the server hold more than
// what arrives in one period beyond the cap.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace curling::server::live {

class RequestSizeGuard {
 public:
  RequestSizeGuard(size_t limit, std::chrono::milliseconds period)
      : limit_(limit), period_(period) {}
  ~RequestSizeGuard() { Stop(); }

  // Watches the connections to local port `port`.
  void Start(int port);
  void Stop();

  // A request from the peer at `address`:`port` was taken in whole.
  void TookRequest(const std::string& address, int port);

  // Connections let go so far.
  uint64_t cut() const;

 private:
  struct Seen {
    uint64_t requests = 0;  // requests taken in when last looked at
    uint64_t baseline = 0;  // bytes received by then
  };
  void Watch();
  void Check();

  const size_t limit_;
  const std::chrono::milliseconds period_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::map<std::string, uint64_t> requests_;  // by peer: requests taken in
  std::map<std::string, Seen> seen_;          // by peer: the watch's own
  uint64_t cut_ = 0;
  std::thread thread_;
};

}  // namespace curling::server::live
