// A run's live view (--live) as one piece: what it knows, its web server and
// the feed the run posts to. Serving from Start() until Stop() (or the end
// of the object), which gives viewers a moment to take the last news.
#pragma once

#include <memory>
#include <string>

#include "server/live/live_broadcast.h"
#include "server/live/live_feed.h"
#include "server/live/live_server.h"

namespace curling::server::live {

class LiveView {
 public:
  // Serves at `address` ([ADDR:]PORT); nothing, with `error` set, when it
  // is no address or its port cannot be had.
  static std::unique_ptr<LiveView> Start(const std::string& address, std::string& error);
  ~LiveView() { Stop(); }

  LiveFeed& feed() { return feed_; }
  std::string Url() const { return server_.Url(); }
  // Viewers let go for falling behind.
  uint64_t dropped() const { return broadcast_.dropped(); }
  void Stop() { server_.Stop(); }

 private:
  LiveView() = default;
  LiveBroadcast broadcast_;
  LiveServer server_{broadcast_};
  LiveFeed feed_{broadcast_, server_};
};

}  // namespace curling::server::live
