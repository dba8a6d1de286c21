// The replay page of a two-end game between two curling-engines, in headless
// Chromium, its test clock (window.replayClock) playing the shot before a
// collision: mid-shot the stones lie on the record's trajectories, at rest they
// are the record's after-shot stones, auto-play releases the next stone, and
// keys and buttons step between still positions.
#include "server/game/replay_page.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "curling_simulator/simulator.h"
#include "server/game/game.h"
#include "server/game/game_record.h"
#include "tests/support/headless_browser.h"

namespace curling::server {
namespace {

namespace fs = std::filesystem;
using curling::testing::DumpDom;
using curling::testing::kChromium;
using curling::testing::ReadFile;
using nlohmann::json;

using Point = std::array<double, 2>;

// Where the record has stone `stone` at `t` seconds into `shot`: on its
// trajectory (linear between samples) once it moves, where it stood before
// until then; nothing when it is not in play.
std::optional<Point> RecordedPosition(const json& shot, int stone, double t) {
  for (const json& path : shot["trajectories"]) {
    if (path["stone"] != stone) continue;
    const json& times = path["times"];
    const json& points = path["points"];
    const size_t last = times.size() - 1;
    if (t < times[0].get<double>()) break;
    bool leaves = false;
    for (const json& e : shot["events"])
      leaves |= e["a"] == stone && (e["kind"] == "left_side" || e["kind"] == "left_back");
    if (t >= times[last].get<double>()) {
      if (leaves) return std::nullopt;
      return Point{points[last][0], points[last][1]};
    }
    size_t i = 0;
    while (times[i + 1].get<double>() <= t)
      ++i;
    const double t0 = times[i], t1 = times[i + 1];
    const double f = (t - t0) / (t1 - t0);
    auto along = [&](int axis) {
      const double a = points[i][axis], b = points[i + 1][axis];
      return a + f * (b - a);
    };
    return Point{along(0), along(1)};
  }
  const double x = shot["before"][2 * stone], y = shot["before"][2 * stone + 1];
  if (x == 0 && y == 0) return std::nullopt;
  return Point{x, y};
}

// The stones a page snapshot shows, by stone number.
std::map<int, Point> Shown(const json& snapshot) {
  std::map<int, Point> shown;
  for (const json& s : snapshot["stones"])
    shown[s["stone"]] = {s["x"], s["y"]};
  return shown;
}

std::map<int, Point> StonesAfter(const json& shot) {
  std::map<int, Point> stones;
  for (int i = 0; i < 16; ++i) {
    const double x = shot["after"][2 * i], y = shot["after"][2 * i + 1];
    if (x != 0 || y != 0) stones[i] = {x, y};
  }
  return stones;
}

class ReplayPage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kChromium)) GTEST_SKIP() << "no " << kChromium;
    folder_ = fs::path(TEST_OUTPUT_DIR) / "replay_page";
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    GameConfig config;
    config.engines[0] = {"red engine", {CURLING_ENGINE_PATH}, (folder_ / "e1.log").string()};
    config.engines[1] = {
        "yellow <b>engine</b>", {CURLING_ENGINE_PATH}, (folder_ / "e2.log").string()};
    config.rules.ends = 2;
    config.seed = 7;
    const fs::path record = folder_ / "game.jsonl";
    {
      GameRecordWriter writer(record.string());
      Game game(config, [](const GameState& state, const ShotVector& shot, float error,
                           sim::RandomStream& stream, const sim::Rules& rules) {
        return sim::PlayShot(state, shot, error, stream, rules, 0.1f);
      });
      game.AddObserver(&writer);
      ASSERT_EQ(game.Play().outcome, GameOutcome::kCompleted);
    }
    std::string error;
    ASSERT_TRUE(WriteReplayPage(record.string(), (folder_ / "replay.html").string(), error))
        << error;
    int skipped = 0;
    std::vector<json> lines;
    ASSERT_TRUE(ReadGameRecord(record.string(), lines, skipped, error));
    for (const json& line : lines)
      if (line["type"] == "shot") shots_.push_back(line);
  }

  fs::path folder_;
  std::vector<json> shots_;
};

TEST_F(ReplayPage, PlaysAShotAlongItsRecordedTrajectoriesAndStepsBetweenStillPositions) {
  const std::string html = ReadFile(folder_ / "replay.html");
  EXPECT_EQ(html.find("@GAME_RECORD@"), std::string::npos);
  EXPECT_EQ(html.find("<b>engine"), std::string::npos) << "record text is escaped in the page";
  EXPECT_EQ(html.find("http"), std::string::npos) << "nothing is fetched";

  // The first shot of the first end that moves a struck stone, not the end's last.
  size_t k = 0;
  while (k < shots_.size() && (shots_[k]["trajectories"].size() < 2 || shots_[k]["shot"] == 15))
    ++k;
  ASSERT_LT(k, 16u) << "no collision in the first end; pick another seed";
  const json& shot = shots_[k];
  const json& struck = shot["trajectories"][1];
  const double struck_from = struck["times"].front(), struck_to = struck["times"].back();
  double duration = 0;
  for (const json& path : shot["trajectories"])
    duration = std::max(duration, path["times"].back().get<double>());
  const std::vector<double> mid_times = {6.0, (struck_from + struck_to) / 2};

  // Open at the still position before the shot; space plays it at x4.
  const fs::path driver = folder_ / "drive.html";
  std::ofstream(driver) << R"html(<html><body><pre id="out">not run</pre>
<iframe id="f" src="replay.html#shot=)html"
                        << k << R"html(" width="1000" height="800"></iframe>
<script>
const MID = )html" << json(mid_times).dump()
                        << ", DURATION = " << duration << R"html(;
const f = document.getElementById("f");
f.onload = () => {
  const d = f.contentDocument, w = f.contentWindow, clock = w.replayClock, out = {};
  const key = k => d.dispatchEvent(new w.KeyboardEvent("keydown", {key: k, bubbles: true}));
  const step = () => +d.getElementById("status").dataset.step;
  out.before = clock.advance(0);
  key(" ");
  let now = 0;
  out.mid = MID.map(t => { const s = clock.advance((t - now) / 4); now = t; return s; });
  out.end = clock.advance((DURATION - now) / 4 + 0.01);
  out.next = clock.advance(1.0);
  out.board = d.getElementById("board").textContent;
  const steps = [];
  key("Home"); key("ArrowRight"); key("ArrowRight"); steps.push(step());
  key("ArrowDown"); steps.push(step()); key("ArrowUp"); steps.push(step());
  key("End"); key("ArrowLeft"); steps.push(step());
  d.getElementById("first").click(); steps.push(step());
  d.getElementById("next").click(); d.getElementById("nextEnd").click(); steps.push(step());
  d.getElementById("prev").click(); steps.push(step());
  out.steps = steps;
  document.getElementById("out").textContent =
      JSON.stringify(out).replace(/[<>&]/g, c => "\\u00" + c.charCodeAt(0).toString(16));
};
</script></body></html>)html";
  const std::string dom = DumpDom(folder_, "file://" + fs::absolute(driver).string());
  const size_t from = dom.find("<pre id=\"out\">") + 14, to = dom.find("</pre>");
  const json out = json::parse(dom.substr(from, to - from), nullptr, false);
  ASSERT_TRUE(out.is_object()) << dom.substr(0, 2000);

  EXPECT_EQ(out["before"]["step"], k);
  EXPECT_EQ(out["before"]["moving"], false);
  if (k > 0) {
    EXPECT_EQ(Shown(out["before"]), StonesAfter(shots_[k - 1]));
  }

  const int first_seat = shots_[k - shot["shot"].get<int>()]["seat"];
  for (size_t i = 0; i < mid_times.size(); ++i) {
    const json& mid = out["mid"][i];
    SCOPED_TRACE("mid-shot at " + std::to_string(mid_times[i]) + " s");
    EXPECT_EQ(mid["step"], k + 1);
    EXPECT_EQ(mid["moving"], true);
    EXPECT_NEAR(mid["shot_time"].get<double>(), mid_times[i], 1e-9) << "x4 by default";
    const std::map<int, Point> shown = Shown(mid);
    for (int stone = 0; stone < 16; ++stone) {
      const std::optional<Point> expected = RecordedPosition(shot, stone, mid_times[i]);
      ASSERT_EQ(shown.count(stone), expected ? 1u : 0u) << "stone " << stone;
      if (!expected) continue;
      EXPECT_NEAR(shown.at(stone)[0], (*expected)[0], 0.002) << "stone " << stone;
      EXPECT_NEAR(shown.at(stone)[1], (*expected)[1], 0.002) << "stone " << stone;
    }
    for (const json& s : mid["stones"])
      EXPECT_EQ(s["seat"], s["stone"].get<int>() % 2 == 0 ? first_seat : 1 - first_seat);
  }
  EXPECT_EQ(Shown(out["mid"][1]).count(struck["stone"]), 1u) << "the struck stone is in motion";

  EXPECT_EQ(out["end"]["step"], k + 1);
  EXPECT_EQ(out["end"]["moving"], false);
  EXPECT_EQ(Shown(out["end"]), StonesAfter(shot)) << "at rest the record's after-shot stones";
  EXPECT_EQ(out["next"]["step"], k + 2) << "auto-play releases the next stone of the end";
  EXPECT_EQ(out["next"]["moving"], true);
  EXPECT_NE(out["board"].get<std::string>().find("yellow <b>engine</b>"), std::string::npos)
      << "names are shown as text";
  const int n = static_cast<int>(shots_.size());
  EXPECT_EQ(out["steps"], json({2, 17, 1, n - 1, 0, 17, 16}));
}

}  // namespace
}  // namespace curling::server
