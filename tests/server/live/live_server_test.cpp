// The live view's server in this process: what a viewer is sent (the current
// state on joining, news after), a viewer that falls behind is dropped while
// the others and the poster go on, and requests it must refuse.
#include "server/live/live_server.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "server/live/live_address.h"
#include "server/live/live_broadcast.h"
#include "tests/server/live/raw_http.h"

namespace curling::server::live {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Joined(const std::vector<Event>& events) {
  std::string text;
  for (const Event& e : events)
    text += *e;
  return text;
}

TEST(LiveBroadcast, NewcomerGetsTheStateAndSlowViewersAreDroppedWithoutHoldingTheNews) {
  LiveBroadcast broadcast(1000);
  broadcast.SetTitle("a <b> vs b", true);
  broadcast.PostLine(3, R"({"type":"header"})");
  broadcast.PostBooked(1, R"({"game":1})", true);
  broadcast.PostLine(1, R"({"type":"shot","n":1})");  // booked: no longer kept
  broadcast.PostBooked(1, R"({"game":1})", true);
  broadcast.PostStandings(R"({"games":1})");
  broadcast.PostStandings(R"({"games":2})");

  const auto late = broadcast.Join();
  std::vector<Event> events;
  ASSERT_TRUE(late->Take(0ms, events));
  const std::string state = Joined(events);
  EXPECT_EQ(state.find("event: hello\ndata: {\"title\":\"a <b> vs b\",\"tournament\":true}\n\n"),
            0u);
  EXPECT_NE(state.find("\"game\":3"), std::string::npos) << "the game in progress";
  EXPECT_EQ(state.find("\"n\":1"), std::string::npos) << "a booked game's lines are let go";
  EXPECT_EQ(state.find("{\"games\":1}"), std::string::npos) << "only the last standings";
  EXPECT_NE(state.find("{\"games\":2}"), std::string::npos);

  // `stalled` never takes; posting goes on and it is dropped past its cap.
  const auto stalled = broadcast.Join();
  for (int i = 0; i < 40; ++i) {
    broadcast.PostLine(3, R"({"type":"shot","pad":")" + std::string(50, 'x') + "\"}");
    ASSERT_TRUE(late->Take(0ms, events));
    EXPECT_EQ(events.size(), 1u);
  }
  EXPECT_EQ(broadcast.dropped(), 1u);
  EXPECT_FALSE(stalled->Take(0ms, events)) << "dropped";
  EXPECT_EQ(broadcast.viewers(), 1u);

  broadcast.Close();
  ASSERT_TRUE(late->Take(0ms, events));
  EXPECT_EQ(Joined(events), "event: over\ndata: {}\n\n");
  EXPECT_FALSE(late->Take(0ms, events)) << "over once all is sent";
}

TEST(LiveAddress, PortAloneOrWithAnAddress) {
  std::string error;
  auto a = ParseLiveAddress("8080", error);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->host, "127.0.0.1");
  EXPECT_EQ(a->port, 8080);
  a = ParseLiveAddress("0.0.0.0:0", error);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->host, "0.0.0.0");
  a = ParseLiveAddress("[::1]:9", error);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->host, "::1");
  for (const char* bad : {"", "x", "65536", "-1", ":80", "host:", "1:2:x", "123456"})
    EXPECT_FALSE(ParseLiveAddress(bad, error)) << bad;
}

class LiveServerRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    signal(SIGPIPE, SIG_IGN);  // as the programs do: a write to a closed peer fails
    root_ = fs::path(TEST_OUTPUT_DIR) / "live_server";
    fs::remove_all(root_);
    fs::create_directories(root_ / "run" / "game-0001");
    std::ofstream(root_ / "run" / "game-0001" / "game.jsonl") << "{\"type\":\"header\"}\n";
    std::ofstream(root_ / "secret.txt") << "outside the run";
    fs::create_symlink(root_ / "secret.txt", root_ / "run" / "link.txt");
    fs::create_directory_symlink(root_, root_ / "run" / "up");
    LiveLimits limits;
    limits.max_connections = 3;
    limits.request_deadline = 1s;
    server_ = std::make_unique<LiveServer>(broadcast_, limits);
    std::string error;
    ASSERT_TRUE(server_->Start({"127.0.0.1", 0}, error)) << error;
    server_->SetFolder(root_ / "run");
  }
  void TearDown() override {
    if (server_) server_->Stop(0ms);
  }
  int Get(const std::string& target, const std::string& extra = "") {
    return StatusOf(Exchange(server_->port(), "GET " + target + " HTTP/1.1\r\nHost: x\r\n" + extra +
                                                  "Connection: close\r\n\r\n"));
  }

  fs::path root_;
  LiveBroadcast broadcast_;
  std::unique_ptr<LiveServer> server_;
};

TEST_F(LiveServerRequests, ServesItsPagesAndTheRunFolderOnly) {
  const std::string page = Exchange(server_->port(), "GET / HTTP/1.1\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(StatusOf(page), 200);
  EXPECT_NE(page.find("CurlingSheet.painter"), std::string::npos) << "the sheet's script inlined";
  EXPECT_EQ(Get("/files/game-0001/game.jsonl"), 200);
  EXPECT_EQ(Get("/files/game-0001/none.jsonl"), 404);
  EXPECT_EQ(Get("/elsewhere"), 404);
  // Out of the folder: by "..", encoded or not, by a link, by an absolute name.
  for (const char* target :
       {"/files/../secret.txt", "/files/%2e%2e/secret.txt", "/files/game-0001/../../secret.txt",
        "/files/link.txt", "/files/up/secret.txt", "/files//etc/passwd", "/files/game-0001",
        "/files/%2fetc%2fpasswd", "/files/game-0001/..%5c..%5csecret.txt"}) {
    const int status = Get(target);
    EXPECT_TRUE(status == 400 || status == 403 || status == 404) << target << ": " << status;
  }
  // Read-only, and capped in size.
  EXPECT_EQ(
      StatusOf(Exchange(server_->port(),
                        "POST / HTTP/1.1\r\nContent-Length: 2\r\nConnection: close\r\n\r\nab")),
      405);
  std::string many;
  for (int i = 0; i < 200; ++i)
    many += "X-Pad-" + std::to_string(i) + ": " + std::string(200, 'a') + "\r\n";
  const int huge = Get("/", many);
  EXPECT_TRUE(huge == 0 || huge == 400) << huge;
  EXPECT_NE(Get("/", "X-Long: " + std::string(100000, 'a') + "\r\n"), 200);
}

// Whether the server has closed `fd`, waiting up to `wait` for it (a reply
// it sent before closing is read past).
bool ClosedByServer(int fd, std::chrono::milliseconds wait) {
  const auto until = std::chrono::steady_clock::now() + wait;
  char buffer[4096];
  while (std::chrono::steady_clock::now() < until) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN)) return true;
  }
  return false;
}

TEST_F(LiveServerRequests, RequestHeadsWithoutEndOrTooSlowAreCutOff) {
  // Header lines without end, each far below the per-line limit: the server
  // stops at the request cap and closes, so the sender is cut off long before
  // it has sent them all.
  {
    const int fd = ConnectLoopback(server_->port());
    ASSERT_GE(fd, 0);
    std::string lines = "GET / HTTP/1.1\r\n";
    while (lines.size() < (64u << 10))
      lines += "a: b\r\n";
    size_t sent = 0;
    ssize_t n = 0;
    while (sent < (16u << 20) && (n = send(fd, lines.data(), lines.size(), MSG_NOSIGNAL)) > 0)
      sent += static_cast<size_t>(n);
    EXPECT_TRUE(n < 0 && (errno == EPIPE || errno == ECONNRESET))
        << "sent " << sent << " bytes, the last send " << n << " (" << std::strerror(errno) << ")";
    close(fd);
  }
  // A head sent a line every 200 ms is cut off at the request deadline (1 s
  // here), although no single read waits long.
  {
    const int fd = ConnectLoopback(server_->port());
    ASSERT_GE(fd, 0);
    const auto start = std::chrono::steady_clock::now();
    bool closed = false;
    for (int i = 0; i < 25 && !closed; ++i) {
      const std::string line = i == 0 ? "GET / HTTP/1.1\r\n" : "X-Slow: y\r\n";
      if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) <= 0) break;
      closed = ClosedByServer(fd, 200ms);
    }
    closed = closed || ClosedByServer(fd, 200ms);
    EXPECT_TRUE(closed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    close(fd);
  }
  EXPECT_EQ(Get("/"), 200) << "still serving";
}

TEST_F(LiveServerRequests, ConnectionsBeyondTheCapAreRefusedAtOnce) {
  // Three viewers hold every connection the server serves.
  std::vector<int> viewers;
  for (int i = 0; i < 3; ++i) {
    const int fd = ConnectLoopback(server_->port());
    ASSERT_GE(fd, 0);
    const std::string request = "GET /events HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(request.size()));
    char buffer[256];
    ASSERT_GT(recv(fd, buffer, sizeof buffer, 0), 0) << "viewer " << i << " served";
    viewers.push_back(fd);
  }
  EXPECT_EQ(Get("/"), 503);
  for (int fd : viewers)
    close(fd);
}

}  // namespace
}  // namespace curling::server::live
