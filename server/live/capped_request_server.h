// The web library's server with every request capped before it is parsed:
// the library limits each header line but not how many there are, so a
// client could grow a connection's memory without end. Here each request may
// take at most `max_request_bytes` from its connection (request line, headers
// and any body together) and must have arrived within `request_deadline`;
// past either, the read fails and the library answers 400 and closes.
#pragma once

#include <chrono>
#include <cstddef>

#include <httplib.h>

namespace curling::server::live {

class CappedRequestServer : public httplib::Server {
 public:
  CappedRequestServer(size_t max_request_bytes, std::chrono::milliseconds request_deadline);

 private:
  // Serves one accepted connection (its requests one after another, as the
  // library does) through a stream that enforces the caps.
  bool process_and_close_socket(socket_t sock) override;

  const size_t max_request_bytes_;
  const std::chrono::milliseconds request_deadline_;
};

}  // namespace curling::server::live
