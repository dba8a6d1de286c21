#include "server/live/request_size_guard.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/tcp.h>  // tcp_info with the bytes received
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

namespace curling::server::live {
namespace {

// "address:port" of a socket address (IPv4 or IPv6), or empty.
std::string PeerKey(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = {};
  int port = 0;
  if (address.ss_family == AF_INET) {
    const auto& a = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    port = ntohs(a.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& a = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &a.sin6_addr, text, sizeof text);
    port = ntohs(a.sin6_port);
  } else {
    return {};
  }
  return std::string(text) + ":" + std::to_string(port);
}

// The peer of a connected socket, or empty (a listening one has none).
std::string PeerOf(int fd) {
  sockaddr_storage peer{};
  socklen_t length = sizeof peer;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return {};
  return PeerKey(peer);
}

int LocalPort(int fd) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return -1;
  if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in&>(address).sin_port);
  if (address.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<sockaddr_in6&>(address).sin6_port);
  }
  return -1;
}

// Ends the connection on `fd` under the library's feet without freeing the
// descriptor (which the library still owns and will close): the descriptor
// is made a dead socket's, whose reads end at once and whose writes fail; the
// connection, losing its last descriptor, is closed (reset, with what it had
// sent unread).
void Cut(int fd) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    shutdown(fd, SHUT_RDWR);
    return;
  }
  close(pair[1]);
  dup3(pair[0], fd, O_CLOEXEC);
  close(pair[0]);
}

}  // namespace

void RequestSizeGuard::Start(int port) {
  port_ = port;
  thread_ = std::thread([this] { Watch(); });
}

void RequestSizeGuard::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void RequestSizeGuard::TookRequest(const std::string& address, int port) {
  std::lock_guard lock(mutex_);
  ++requests_[address + ":" + std::to_string(port)];
}

uint64_t RequestSizeGuard::cut() const {
  std::lock_guard lock(mutex_);
  return cut_;
}

void RequestSizeGuard::Watch() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, period_, [this] { return stopping_; })) {
    lock.unlock();
    Check();
    lock.lock();
  }
}

// Every connected socket of this process on the server's port.
void RequestSizeGuard::Check() {
  std::set<std::string> present;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const int fd = std::stoi(name);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode) || LocalPort(fd) != port_) continue;
    const std::string key = PeerOf(fd);
    tcp_info tcp{};
    socklen_t tcp_length = sizeof tcp;
    if (key.empty() || getsockopt(fd, IPPROTO_TCP, TCP_INFO, &tcp, &tcp_length) != 0) continue;
    present.insert(key);
    std::lock_guard lock(mutex_);
    Seen& seen = seen_[key];
    const uint64_t requests = requests_[key];
    // A new connection from a peer port seen before starts afresh.
    if (tcp.tcpi_bytes_received < seen.baseline) seen = Seen{};
    if (requests != seen.requests) {
      seen.requests = requests;
      seen.baseline = tcp.tcpi_bytes_received;
    }
    if (tcp.tcpi_bytes_received - seen.baseline > limit_ && PeerOf(fd) == key) {
      Cut(fd);
      seen.baseline = tcp.tcpi_bytes_received;
      ++cut_;
    }
  }
  // Connections gone: forget them (a new one may come from the same port).
  std::lock_guard lock(mutex_);
  for (auto it = seen_.begin(); it != seen_.end();) {
    if (present.count(it->first)) {
      ++it;
    } else {
      requests_.erase(it->first);
      it = seen_.erase(it);
    }
  }
}

}  // namespace curling::server::live
