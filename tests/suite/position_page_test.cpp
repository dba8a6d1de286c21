// A position page in headless Chromium: the stones, a heat map for each
// curl, the best delivery and the engine's marked, and a hostile position
// name shown as text, never run (skipped when the browser is missing).
#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>

#include "suite/suite_file.h"
#include "tests/support/child_program.h"
#include "tests/support/headless_browser.h"
#include "tests/support/temp_folder.h"

namespace curling::suite {
namespace {

namespace fs = std::filesystem;
using curling::testing::DumpDom;
using curling::testing::kChromium;
using curling::testing::ReadFile;

constexpr const char* kHostileId = "<img src=x onerror=\"document.title='run'\">&'";

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

class PositionPageTest : public testing::TempFolderTest {};

TEST_F(PositionPageTest, ShowsStonesHeatMapsAndBothDeliveriesWithTheNameAsText) {
  if (!fs::exists(kChromium)) GTEST_SKIP() << "no " << kChromium;
  SuiteRead read = LoadSuite(CI_SUITE_PATH);
  ASSERT_EQ(read.error, "");
  Suite suite = read.suite;
  suite.positions.resize(1);
  suite.positions[0].id = kHostileId;
  suite.positions[0].tags.push_back("</p><script>document.title='run'</script>");
  ASSERT_EQ(SaveSuite(folder_ / "one.jsonl", suite), "");
  // The engine plays the best delivery of the other curl, reflected: a
  // different path, in the other panel.
  const ShotVector best = suite.positions[0].answer->best.delivery.shot;
  std::ofstream(folder_ / "answers.txt")
      << -best.vx << " " << best.vy << " " << 1 - best.curl << "\n";
  const auto run = curling::testing::RunProgram(
      SUITE_PATH,
      {"run", (folder_ / "one.jsonl").string(), "--engine",
       std::string(SCRIPTED_ENGINE_PATH) + " " + (folder_ / "answers.txt").string(), "--out",
       (folder_ / "run").string(), "--pages", "--heat-step", "0.2", "--heat-samples", "8", "-q"});
  ASSERT_EQ(run.exit_code, 0) << run.errors;
  const std::string dom =
      DumpDom(folder_, "file://" + (folder_ / "run" / "position-0001.html").string(), 2000);
  ASSERT_NE(dom.find("</html>"), std::string::npos) << dom;
  // The name is text: shown escaped, not an element; nothing ran.
  EXPECT_EQ(dom.find("<img"), std::string::npos);
  EXPECT_EQ(dom.find("<script"), std::string::npos);
  EXPECT_NE(dom.find("&lt;img src=x onerror="), std::string::npos);
  EXPECT_EQ(dom.find("<title>run</title>"), std::string::npos);
  int stones = 0;
  for (const StonePosition& s : suite.positions[0].stones)
    stones += s.x != 0.0f || s.y != 0.0f;
  EXPECT_EQ(Count(dom, "class=\"stone "), 2u * static_cast<size_t>(stones));
  // A cell every 0.2 m of the house, in each panel.
  EXPECT_GT(Count(dom, "class=\"cell\""), 2u * 250u);
  EXPECT_EQ(Count(dom, "id=\"best\""), 1u);
  EXPECT_EQ(Count(dom, "id=\"engine\""), 1u);
  EXPECT_NE(dom.find("id=\"engine-text\""), std::string::npos);
  // The run's index links the page.
  EXPECT_NE(ReadFile(folder_ / "run" / "index.html").find("href=\"position-0001.html\""),
            std::string::npos);
}

}  // namespace
}  // namespace curling::suite
