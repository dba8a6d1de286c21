#include "server/live/live_server.h"

#include <httplib.h>

#include <csignal>
#include <vector>

#include "server/live/capped_request_server.h"
#include "server/live/capped_task_queue.h"
#include "server/live/run_folder_file.h"
#include "viewer/live_template.h"  // generated from viewer/live.html

namespace curling::server::live {
namespace {

using namespace std::chrono_literals;

// Our pages run their own inline scripts and reach nothing but this server.
constexpr const char* kPagePolicy =
    "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
    "img-src data:; connect-src 'self'; base-uri 'none'; form-action 'none'";

void Refuse(httplib::Response& res, int status, const std::string& why) {
  res.status = status;
  res.set_header("Connection", "close");
  res.set_content(why + "\n", "text/plain; charset=utf-8");
}

}  // namespace

LiveServer::LiveServer(LiveBroadcast& broadcast, LiveLimits limits)
    : broadcast_(broadcast),
      limits_(limits),
      http_(std::make_unique<CappedRequestServer>(limits.max_request_bytes,
                                                  limits.request_deadline)) {
  Route();
}

LiveServer::~LiveServer() {
  Stop(0ms);
}

void LiveServer::Route() {
  httplib::Server& http = *http_;
  const size_t workers = limits_.max_connections;
  http.new_task_queue = [workers] { return new CappedTaskQueue(workers); };
  http.set_payload_max_length(limits_.max_request_bytes);
  http.set_keep_alive_timeout(1);
  http.set_read_timeout(5, 0);
  http.set_write_timeout(2, 0);
  http.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                            {"Referrer-Policy", "no-referrer"},
                            {"Cache-Control", "no-store"}});
  http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (CappedTaskQueue::OverCapacity()) {
      Refuse(res, 503, "too many connections");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.method != "GET" && req.method != "HEAD") {
      Refuse(res, 405, "read-only");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });

  http.Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Security-Policy", kPagePolicy);
    res.set_content(std::string(viewer::kLiveTemplate), "text/html; charset=utf-8");
  });

  http.Get("/events", [this](const httplib::Request&, httplib::Response& res) {
    std::shared_ptr<Viewer> viewer = broadcast_.Join();
    res.set_chunked_content_provider(
        "text/event-stream",
        [viewer](size_t, httplib::DataSink& sink) {
          std::vector<Event> events;
          if (!viewer->Take(1000ms, events)) {
            // Over (everything sent) or dropped for falling behind.
            if (events.empty()) sink.done();
            return events.empty();
          }
          if (events.empty()) return sink.write(": \n\n", 4);  // keeps a dead peer from lingering
          for (const Event& event : events)
            if (!sink.write(event->data(), event->size())) return false;
          return true;
        },
        [this, viewer](bool) { broadcast_.Leave(viewer); });
  });

  http.Get(R"(/files/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
    const std::string relative = req.matches[1];
    std::string content;
    switch (ReadRunFolderFile(Folder(), relative, content)) {
      case FileRead::kOk:
        res.set_header("Content-Security-Policy", kPagePolicy);
        res.set_content(std::move(content), MediaTypeOf(relative));
        return;
      case FileRead::kRefused:
        return Refuse(res, 403, "refused");
      case FileRead::kMissing:
        return Refuse(res, 404, "no such file");
      case FileRead::kTooLarge:
        return Refuse(res, 413, "file too large to serve");
    }
  });
}

bool LiveServer::Start(const LiveAddress& address, std::string& error) {
  host_ = address.host;
  port_ = address.port;
  bool bound = false;
  if (address.port == 0) {
    port_ = http_->bind_to_any_port(address.host);
    bound = port_ > 0;
  } else {
    bound = http_->bind_to_port(address.host, address.port);
  }
  if (!bound) {
    error = "cannot listen on " + address.host + ":" + std::to_string(address.port) +
            " (the port is in use, or the address is not one of this machine's)";
    return false;
  }
  thread_ = std::thread([this] { Listen(); });
  // Stop() can only end a server that is running.
  while (!http_->is_running())
    std::this_thread::sleep_for(1ms);
  return true;
}

void LiveServer::Listen() {
  // Signals go to the run's other threads: one arriving here would make the
  // library's accept fail, and the library stops listening on any failure.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
  while (true) {
    http_->listen_after_bind();
    // Stopped, or the library gave up after an error from accept (a client
    // that reset its connection before it was taken, say): listen again.
    if (stopping_ || !http_->bind_to_port(host_, port_)) break;
  }
  done_listening_ = true;
}

std::string LiveServer::Url() const {
  const bool v6 = host_.find(':') != std::string::npos;
  return "http://" + (v6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_) + "/";
}

void LiveServer::SetFolder(const std::filesystem::path& folder) {
  std::lock_guard lock(folder_mutex_);
  folder_ = std::filesystem::absolute(folder);
}

std::filesystem::path LiveServer::Folder() const {
  std::lock_guard lock(folder_mutex_);
  return folder_;
}

void LiveServer::Stop(std::chrono::milliseconds grace) {
  broadcast_.Close();
  const auto until = std::chrono::steady_clock::now() + grace;
  while (broadcast_.viewers() > 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(20ms);
  if (thread_.joinable()) {
    stopping_ = true;
    // Until the listening thread has seen it (it may be between two listens).
    while (!done_listening_) {
      http_->stop();
      std::this_thread::sleep_for(5ms);
    }
    thread_.join();
  }
}

}  // namespace curling::server::live
