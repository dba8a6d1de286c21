// A plain TCP client for the live view's tests: requests sent byte for byte
// as written (no client library to tidy them up) to 127.0.0.1.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace curling::server::live {

// A connected socket to 127.0.0.1:`port` (-1 when it cannot connect), with
// reads that give up after `timeout_s` seconds.
inline int ConnectLoopback(int port, int timeout_s = 5, int receive_buffer = 0) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (receive_buffer > 0)
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  timeval timeout{timeout_s, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Sends `request` and reads until the peer closes, `limit` bytes or the read times out.
inline std::string Exchange(int port, const std::string& request, size_t limit = 1 << 20) {
  const int fd = ConnectLoopback(port);
  if (fd < 0) return {};
  for (size_t done = 0; done < request.size();) {
    const ssize_t n = send(fd, request.data() + done, request.size() - done, MSG_NOSIGNAL);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  std::string response;
  char buffer[4096];
  while (response.size() < limit) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    response.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return response;
}

// The status line's code, or 0.
inline int StatusOf(const std::string& response) {
  if (response.rfind("HTTP/1.", 0) != 0 || response.size() < 12) return 0;
  return std::stoi(response.substr(9, 3));
}

}  // namespace curling::server::live
