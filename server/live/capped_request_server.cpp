#include "server/live/capped_request_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cstring>

namespace curling::server::live {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often an idle connection looks whether the server is stopping.
constexpr milliseconds kIdleSlice{100};

bool Ready(int fd, short events, milliseconds wait) {
  pollfd p{fd, events, 0};
  const int waited = std::max<int>(0, static_cast<int>(wait.count()));
  int n;
  do {
    n = poll(&p, 1, waited);
  } while (n < 0 && errno == EINTR);
  return n > 0;
}

void AddressOf(const sockaddr_storage& address, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    port = ntohs(v6.sin6_port);
  }
  ip = text;
}

// A connection's stream. Bytes are read ahead into a small buffer (the
// library reads a request's head a byte at a time); what a request may take
// from it is counted from StartRequest().
class CappedStream : public httplib::Stream {
 public:
  CappedStream(int sock, milliseconds read_timeout, milliseconds write_timeout)
      : sock_(sock), read_timeout_(read_timeout), write_timeout_(write_timeout) {}

  void StartRequest(size_t max_bytes, milliseconds deadline) {
    allowance_ = max_bytes;
    deadline_ = Clock::now() + deadline;
  }

  // Whether a request's first byte is here, waiting up to `idle` for it.
  bool AwaitRequest(milliseconds idle, const httplib::Server& server) {
    const auto until = Clock::now() + idle;
    while (begin_ == end_ && server.is_running()) {
      const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now());
      if (left <= milliseconds{0}) return false;
      if (Ready(sock_, POLLIN, std::min(left, kIdleSlice))) return Fill();
    }
    return begin_ != end_;
  }

  bool is_readable() const override { return begin_ != end_ || Ready(sock_, POLLIN, ReadWait()); }
  bool is_writable() const override { return Ready(sock_, POLLOUT, write_timeout_); }

  ssize_t read(char* ptr, size_t size) override {
    if (allowance_ == 0) return -1;  // over the request's size
    if (begin_ == end_ && !(Ready(sock_, POLLIN, ReadWait()) && Fill())) return -1;
    const size_t n = std::min({size, end_ - begin_, allowance_});
    std::memcpy(ptr, buffer_ + begin_, n);
    begin_ += n;
    allowance_ -= n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) return -1;
    ssize_t n;
    do {
      n = send(sock_, ptr, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      AddressOf(address, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      AddressOf(address, ip, port);
  }
  socket_t socket() const override { return sock_; }

 private:
  // The read timeout, cut short by the request's deadline.
  milliseconds ReadWait() const {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline_ - Clock::now());
    return std::min(read_timeout_, left);
  }

  // Reads what has arrived into the empty buffer; false at the end or on an error.
  bool Fill() {
    assert(begin_ == end_);
    ssize_t n;
    do {
      n = recv(sock_, buffer_, sizeof buffer_, 0);
    } while (n < 0 && errno == EINTR);
    begin_ = 0;
    end_ = n > 0 ? static_cast<size_t>(n) : 0;
    return n > 0;
  }

  const int sock_;
  const milliseconds read_timeout_;
  const milliseconds write_timeout_;
  size_t allowance_ = 0;
  Clock::time_point deadline_ = Clock::now();
  char buffer_[4096];
  size_t begin_ = 0;
  size_t end_ = 0;
};

milliseconds ToMilliseconds(time_t sec, time_t usec) {
  return milliseconds(sec * 1000 + usec / 1000);
}

}  // namespace

CappedRequestServer::CappedRequestServer(size_t max_request_bytes, milliseconds request_deadline)
    : max_request_bytes_(max_request_bytes), request_deadline_(request_deadline) {
  assert(max_request_bytes_ > 0);
}

bool CappedRequestServer::process_and_close_socket(socket_t sock) {
  CappedStream stream(sock, ToMilliseconds(read_timeout_sec_, read_timeout_usec_),
                      ToMilliseconds(write_timeout_sec_, write_timeout_usec_));
  const milliseconds idle = ToMilliseconds(keep_alive_timeout_sec_, 0);
  bool served = true;
  for (size_t left = keep_alive_max_count_; left > 0; --left) {
    if (!stream.AwaitRequest(idle, *this)) break;
    stream.StartRequest(max_request_bytes_, request_deadline_);
    bool closed = false;
    served = process_request(stream, left == 1, closed, nullptr);
    if (!served || closed) break;
  }
  shutdown(sock, SHUT_RDWR);
  close(sock);
  return served;
}

}  // namespace curling::server::live
