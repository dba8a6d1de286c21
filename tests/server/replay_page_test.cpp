// The replay page in a real browser: a game between fake engines is turned
// into a page, headless Chromium loads it at a later shot (chosen through the
// URL hash), and the stones it shows must be the stones of the record. A
// screenshot is kept in the test output folder for a look by eye.
#include "server/replay_page.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "fake_physics.h"
#include "server/game.h"
#include "server/game_record.h"

namespace curling::server {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kChromium = "/usr/bin/chromium";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs headless Chromium on `url`; `what` is --dump-dom or --screenshot=...
// Returns stdout.
std::string RunChromium(const fs::path& folder, const std::string& what, const std::string& url) {
  const fs::path profile = folder / ("profile-" + std::to_string(getpid()));
  fs::remove_all(profile);
  const fs::path out = folder / "chromium.out";
  const std::string command =
      std::string("timeout 90 ") + kChromium +
      " --headless --no-sandbox --disable-gpu --disable-background-networking"
      " --disable-component-update --no-first-run --disable-sync --hide-scrollbars"
      " --window-size=1280,960 --user-data-dir='" +
      profile.string() + "' " + what + " '" + url + "' > '" + out.string() + "' 2> '" +
      (folder / "chromium.err").string() + "'";
  const int rc = std::system(command.c_str());
  fs::remove_all(profile);
  EXPECT_EQ(rc, 0) << command << "\n" << ReadFile(folder / "chromium.err");
  return ReadFile(out);
}

TEST(ReplayPage, BrowserShowsTheRecordedStonesAtALaterShot) {
  if (!fs::exists(kChromium)) GTEST_SKIP() << "no " << kChromium;
  const fs::path folder = fs::path(TEST_OUTPUT_DIR) / "replay_page";
  fs::remove_all(folder);
  fs::create_directories(folder);

  GameConfig config;
  config.engines[0] = {"red engine", {FAKE_ENGINE_PATH, "good"}, (folder / "e1.log").string()};
  config.engines[1] = {
      "yellow <b>engine</b>", {FAKE_ENGINE_PATH, "good"}, (folder / "e2.log").string()};
  config.rules.ends = 2;
  config.seed = 11;
  const fs::path record = folder / "game.jsonl";
  {
    GameRecordWriter writer(record.string());
    Game game(config, testing::FakePlayShot);
    game.AddObserver(&writer);
    ASSERT_EQ(game.Play().outcome, GameOutcome::kCompleted);
  }
  const fs::path page = folder / "replay.html";
  std::string error;
  ASSERT_TRUE(WriteReplayPage(record.string(), page.string(), error)) << error;
  const std::string html = ReadFile(page);
  EXPECT_EQ(html.find("@GAME_RECORD@"), std::string::npos);
  EXPECT_EQ(html.find("<b>engine"), std::string::npos) << "record text is escaped in the page";
  EXPECT_EQ(html.find("http://"), html.find("http://www.w3.org/2000/svg"))
      << "no link other than the SVG namespace";

  // The position after shot 10 of the first end, from the record.
  std::vector<json> lines;
  int skipped = 0;
  ASSERT_TRUE(ReadGameRecord(record.string(), lines, skipped, error));
  const int step = 11;  // 11 shots played: shots 0-10 of end 1
  const json& shot = lines[step];
  ASSERT_EQ(shot["type"], "shot");
  ASSERT_EQ(shot["shot"], 10);
  std::vector<std::pair<int, double>> expected;  // stone, x
  for (int i = 0; i < 16; ++i) {
    const double x = shot["after"][2 * i];
    const double y = shot["after"][2 * i + 1];
    if (x != 0 || y != 0) expected.emplace_back(i, x);
  }
  ASSERT_GE(expected.size(), 5u);

  const std::string url = "file://" + fs::absolute(page).string() + "#shot=" + std::to_string(step);
  const std::string dom = RunChromium(folder, "--dump-dom", url);
  EXPECT_NE(dom.find("data-step=\"11\""), std::string::npos) << dom.substr(0, 2000);
  EXPECT_NE(dom.find("data-shot=\"11\""), std::string::npos);

  const std::regex stone_re(
      R"re(class="stone seat(\d)" data-stone="(\d+)" data-seat="\d" data-x="([-0-9.e]+)")re");
  std::vector<std::pair<int, double>> shown;
  std::vector<int> seats;
  for (auto it = std::sregex_iterator(dom.begin(), dom.end(), stone_re);
       it != std::sregex_iterator(); ++it) {
    shown.emplace_back(std::stoi((*it)[2]), std::stod((*it)[3]));
    seats.push_back(std::stoi((*it)[1]));
  }
  ASSERT_EQ(shown.size(), expected.size()) << dom.substr(0, 4000);
  for (size_t k = 0; k < shown.size(); ++k) {
    EXPECT_EQ(shown[k].first, expected[k].first);
    EXPECT_NEAR(shown[k].second, expected[k].second, 1e-9);
    // Seat 0 threw first in end 1, so it owns the even stones.
    EXPECT_EQ(seats[k], shown[k].first % 2);
  }
  // The board shows the engines' names (escaped) and a trajectory is drawn.
  EXPECT_NE(dom.find("yellow &lt;b&gt;engine&lt;/b&gt;"), std::string::npos);
  EXPECT_NE(dom.find("class=\"path\""), std::string::npos);

  // Keys and buttons, driven from a page that holds the replay in a frame.
  const fs::path driver = folder / "drive-keys.html";
  std::ofstream(driver) << R"html(<html><body><pre id="out">not run</pre>
<iframe id="f" src="replay.html#shot=0" width="1000" height="800"></iframe>
<script>
const f = document.getElementById("f");
f.onload = () => {
  const d = f.contentDocument, w = f.contentWindow, log = [];
  const key = k => d.dispatchEvent(new w.KeyboardEvent("keydown", {key: k, bubbles: true}));
  const step = () => d.getElementById("status").dataset.step;
  key("ArrowRight"); key("ArrowRight"); log.push("right2=" + step());
  key("ArrowDown"); log.push("down=" + step());
  key("ArrowUp"); log.push("up=" + step());
  key("End"); key("ArrowLeft"); log.push("endleft=" + step());
  d.getElementById("first").click(); log.push("first=" + step());
  d.getElementById("next").click(); d.getElementById("nextEnd").click(); log.push("nextEnd=" + step());
  d.getElementById("prev").click(); log.push("prev=" + step());
  document.getElementById("out").textContent = log.join(" ");
};
</script></body></html>)html";
  int shots_played = 0;
  for (const json& line : lines)
    shots_played += line["type"] == "shot";
  const std::string keys =
      RunChromium(folder, "--allow-file-access-from-files --virtual-time-budget=5000 --dump-dom",
                  "file://" + fs::absolute(driver).string());
  EXPECT_NE(keys.find("right2=2 down=17 up=1 endleft=" + std::to_string(shots_played - 1) +
                      " first=0 nextEnd=17 prev=16"),
            std::string::npos)
      << keys.substr(0, 300);

  const fs::path screenshot = folder / "replay-shot11.png";
  RunChromium(folder, "--screenshot='" + screenshot.string() + "'", url);
  ASSERT_TRUE(fs::exists(screenshot));
  EXPECT_GT(fs::file_size(screenshot), 10'000u);
}

}  // namespace
}  // namespace curling::server
