// curling-match --live end to end: headless Chromium connects while a game is
// played and sees its shots appear in order and the final score; a viewer
// that stops reading does not hold the game up; a port in use stops the run
// with exit 2 before any game starts.
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "server/game/game_record.h"
#include "tests/server/live/raw_http.h"
#include "tests/support/headless_browser.h"

namespace curling::server::live {
namespace {

namespace fs = std::filesystem;
using curling::testing::DumpDom;
using curling::testing::kChromium;
using curling::testing::ReadFile;
using nlohmann::json;

// curling-match with `arguments`, in the background, its output in
// `folder`/match.out; its pid.
pid_t StartMatch(const fs::path& folder, const std::string& arguments) {
  const std::string command = std::string(MATCH_PATH) + " --no-db --out '" +
                              (folder / "game").string() + "' " + arguments + " > '" +
                              (folder / "match.out").string() + "' 2>&1";
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    _exit(127);
  }
  return pid;
}

// The port the live view says it serves, once it says so.
int LivePort(const fs::path& folder) {
  for (int i = 0; i < 500; ++i) {
    const std::string out = ReadFile(folder / "match.out");
    const size_t at = out.find("Live view: http://127.0.0.1:");
    if (at != std::string::npos) return std::stoi(out.substr(at + 28));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return 0;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Engine(const std::string& mode) {
  return std::string("--engine '") + FAKE_ENGINE_PATH + " " + mode + "'";
}

class LiveView : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(TEST_OUTPUT_DIR) /
              ("live_view_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  fs::path folder_;
};

TEST_F(LiveView, BrowserSeesTheShotsInOrderAndTheFinalScore) {
  if (!fs::exists(kChromium)) GTEST_SKIP() << "no " << kChromium;
  const pid_t match = StartMatch(
      folder_, "--live 0 --ends 2 --extra-ends 0 " + Engine("slow 250") + " " + Engine("slow 250"));
  const int port = LivePort(folder_);
  ASSERT_GT(port, 0) << ReadFile(folder_ / "match.out");
  // The game takes some 8 s (a quarter of a second a shot), time enough for
  // the browser to start on a busy machine. The page's stream ends with the
  // run; the browser's clock waits for it.
  const std::string dom = DumpDom(folder_, "http://127.0.0.1:" + std::to_string(port) + "/");
  ASSERT_EQ(Wait(match), 0) << ReadFile(folder_ / "match.out");

  std::vector<json> lines;
  int skipped = 0;
  std::string error;
  ASSERT_TRUE(ReadGameRecord((folder_ / "game" / "game.jsonl").string(), lines, skipped, error));
  std::vector<std::pair<int, int>> recorded;
  for (const json& l : lines)
    if (l["type"] == "shot") recorded.emplace_back(l["end"], l["shot"]);
  const json& result = lines.back();
  ASSERT_EQ(result["type"], "result");

  EXPECT_NE(dom.find("data-state=\"over\""), std::string::npos) << "saw the run end";
  const size_t from = dom.find('>', dom.find("<pre id=\"shown\"")) + 1;
  const json shown = json::parse(dom.substr(from, dom.find("</pre>", from) - from), nullptr, false);
  ASSERT_TRUE(shown.is_array()) << dom;
  // Every shot from the first the browser saw on, in the record's order.
  ASSERT_GE(shown.size(), 8u) << "connected mid-game at the latest";
  const size_t first = recorded.size() - shown.size();
  for (size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(std::make_pair(shown[i]["end"].get<int>(), shown[i]["shot"].get<int>()),
              recorded[first + i])
        << i;
  }
  for (int seat = 0; seat < 2; ++seat) {
    const std::string cell = "data-total=\"" + std::to_string(seat) + "\">" +
                             std::to_string(result["total"][seat].get<int>()) + "<";
    EXPECT_NE(dom.find(cell), std::string::npos) << cell;
  }
  EXPECT_NE(dom.find(result["reason"].get<std::string>()), std::string::npos);
}

TEST_F(LiveView, AViewerThatStopsReadingDoesNotHoldTheGameUp) {
  // A tournament of fast engines whose records (about 0.75 MB a game) soon
  // outgrow what a viewer may fall behind (8 MiB) and the sockets' buffers.
  const std::string greedy = std::string("--engine ") + BASELINE_GREEDY_PATH;
  const pid_t match =
      StartMatch(folder_, "--live 0 --games 16 --ends 8 --seed 3 " + greedy + " " + greedy);
  const int port = LivePort(folder_);
  ASSERT_GT(port, 0) << ReadFile(folder_ / "match.out");
  // A viewer with the smallest receive buffer that asks for the stream and
  // never reads it.
  const int stalled = ConnectLoopback(port, 5, 1024);
  const std::string request = "GET /events HTTP/1.1\r\nHost: x\r\n\r\n";
  ASSERT_EQ(send(stalled, request.data(), request.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(request.size()));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Wait(match), 0) << ReadFile(folder_ / "match.out");
  // The games take a few seconds; nothing waits on the viewer.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  const std::string out = ReadFile(folder_ / "match.out");
  EXPECT_NE(out.find("game 16 "), std::string::npos) << out;
  // And the server has let the viewer go (its queue overflowed, or a write
  // to it timed out): what it had been sent ends, the connection closed.
  char buffer[65536];
  ssize_t n = 0;
  while ((n = recv(stalled, buffer, sizeof buffer, 0)) > 0) {
  }
  EXPECT_TRUE(n == 0 || errno == ECONNRESET) << "still open: " << std::strerror(errno);
  close(stalled);
}

TEST_F(LiveView, APortInUseEndsTheRunWithExit2BeforeAnyGame) {
  const int holder = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(holder, 1), 0);
  socklen_t length = sizeof address;
  getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);
  const int port = ntohs(address.sin_port);
  for (const std::string games : {"", "--games 2 "}) {
    const pid_t match = StartMatch(folder_, games + "--live 127.0.0.1:" + std::to_string(port) +
                                                " " + Engine("good") + " " + Engine("good"));
    EXPECT_EQ(Wait(match), 2) << games;
    const std::string out = ReadFile(folder_ / "match.out");
    EXPECT_NE(out.find("cannot listen on 127.0.0.1:" + std::to_string(port)), std::string::npos)
        << out;
    EXPECT_FALSE(fs::exists(folder_ / "game")) << "no game started";
  }
  close(holder);
}

}  // namespace
}  // namespace curling::server::live
