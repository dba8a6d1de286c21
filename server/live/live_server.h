// The live view's web server: the live page at "/", its stream of events
// (Server-Sent Events) at "/events", and the files of the run's output folder
// below "/files/". Read-only: GET (and HEAD) only. Connections, request size
// and what a viewer may fall behind are capped; a connection over the cap is
// answered 503 at once by a thread of its own.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "server/live/live_address.h"
#include "server/live/live_broadcast.h"

namespace httplib {
class Server;
}

namespace curling::server::live {

struct LiveLimits {
  size_t max_connections = 128;                       // served at once, viewers included
  size_t max_request_bytes = 16 << 10;                // a request's line, headers and body
  std::chrono::milliseconds request_deadline{10000};  // for all of a request to arrive
};

class LiveServer {
 public:
  explicit LiveServer(LiveBroadcast& broadcast, LiveLimits limits = {});
  ~LiveServer();
  LiveServer(const LiveServer&) = delete;
  LiveServer& operator=(const LiveServer&) = delete;

  // Binds `address` and starts serving. False, with `error` set, when the
  // port cannot be had (in use, or not an address of this machine).
  bool Start(const LiveAddress& address, std::string& error);
  // The port served (the one picked when asked for port 0).
  int port() const { return port_; }
  // The page's address, for the user.
  std::string Url() const;

  // The output folder whose files are served (none until set).
  void SetFolder(const std::filesystem::path& folder);

  // Ends every stream once it has its last news, giving viewers up to
  // `grace` to take it, and stops serving. Idempotent.
  void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

 private:
  void Route();
  void Listen();
  std::filesystem::path Folder() const;

  LiveBroadcast& broadcast_;
  LiveLimits limits_;
  std::unique_ptr<httplib::Server> http_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> done_listening_{false};
  std::string host_;
  int port_ = 0;
  mutable std::mutex folder_mutex_;
  std::filesystem::path folder_;
};

}  // namespace curling::server::live
