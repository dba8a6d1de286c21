#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

#include "server/stats/scenario_file.h"

namespace curling::stats {
namespace {

ScenarioList Parse(const std::string& text) {
  std::istringstream in(text);
  return ParseScenarios(in, "set.jsonl");
}

TEST(ScenarioFile, ReadsScenariosWithDefaultsCommentsAndCrLf) {
  const ScenarioList list = Parse(
      "# last-stone problems\n"
      "\n"
      "{\"name\": \"one down\", \"end\": 7, \"shot\": 15, \"score\": {\"hammer\": 3, \"other\": "
      "4}, \"stones\": [[2.4, 5.1], [0, 0], [1.9, 4.5]]}\r\n"
      "   {\"shot\": 0}\n");
  ASSERT_EQ(list.error, "");
  ASSERT_EQ(list.scenarios.size(), 2u);
  const StartScenario& a = list.scenarios[0];
  EXPECT_EQ(a.name, "one down");
  EXPECT_EQ(a.line, 3);
  EXPECT_EQ(a.end, 7);
  EXPECT_EQ(a.shot, 15);
  EXPECT_EQ(a.hammer_score, 3);
  EXPECT_EQ(a.other_score, 4);
  EXPECT_FLOAT_EQ(a.stones[0].x, 2.4f);
  EXPECT_FLOAT_EQ(a.stones[0].y, 5.1f);
  EXPECT_FLOAT_EQ(a.stones[1].x, 0.0f);
  EXPECT_FLOAT_EQ(a.stones[2].y, 4.5f);
  EXPECT_FLOAT_EQ(a.stones[15].x, 0.0f);

  const StartScenario& b = list.scenarios[1];
  EXPECT_EQ(b.name, "line 4");
  EXPECT_EQ(b.end, 0);
  EXPECT_EQ(b.shot, 0);
  EXPECT_EQ(b.hammer_score + b.other_score, 0);
}

TEST(ScenarioFile, BadLinesGiveTheLineAndTheReason) {
  const struct {
    const char* text;
    const char* expected;  // part of the error message
  } cases[] = {
      {"{\"shot\": 3,}", "set.jsonl:1: not valid JSON"},
      {"[1, 2]", "must be a JSON object"},
      {"{\"end\": 2}", "\"shot\" is missing"},
      {"{\"shot\": 16}", "\"shot\" is 16, outside 0 to 15"},
      {"{\"shot\": 1e400}", "set.jsonl:1: not valid JSON"},
      {"{\"shot\": 18446744073709551615}", "\"shot\" is 18446744073709551615, outside 0 to 15"},
      {"{\"shot\": 1, \"end\": -99999999999999999999}", "\"end\" must be a whole number"},
      {"{\"shot\": 1, \"hammer\": 1}", "unknown key \"hammer\""},
      {"{\"shot\": 1, \"score\": {\"us\": 1}}", "unknown key \"us\" in \"score\""},
      {"{\"shot\": 1, \"stones\": [[2.4, 5.1], [2.0, 6.0]]}", "stone 1 is in play but shot 1"},
      {"{\"shot\": 3, \"stones\": [[9.0, 5.0]]}", "stone 0 at (9, 5) is not on the sheet"},
      {"{\"shot\": 3, \"stones\": [[2.0]]}", "stone 0 must be a pair of numbers"},
      {"{\"shot\": 15, \"stones\": [[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],"
       "[0,0],[0,0],[0,0],[0,0],[0,0],[0,0],[0,0]]}",
       "17 entries, at most 16"},
      {"# only a comment\n\n", "no scenarios"},
  };
  for (const auto& c : cases) {
    const ScenarioList list = Parse(c.text);
    EXPECT_NE(list.error.find(c.expected), std::string::npos)
        << "input: " << c.text << "\nerror: " << list.error;
    EXPECT_TRUE(list.scenarios.empty()) << c.text;
  }
  // The error names the line of the bad entry, after good ones.
  EXPECT_NE(Parse("{\"shot\": 0}\n\n{\"shot\": 99}\n").error.find("set.jsonl:3:"),
            std::string::npos);
  EXPECT_NE(LoadScenarioFile("/nonexistent/scenarios.jsonl").error.find(": no such file"),
            std::string::npos);
}

// An endless stream of one byte, as a device file gives.
class EndlessBytes : public std::streambuf {
 public:
  explicit EndlessBytes(char byte) { buffer_.fill(byte); }

 protected:
  int_type underflow() override {
    setg(buffer_.data(), buffer_.data(), buffer_.data() + buffer_.size());
    return traits_type::to_int_type(buffer_[0]);
  }

 private:
  std::array<char, 4096> buffer_;
};

TEST(ScenarioFile, EndlessInputEndsInAnErrorWithinTheCaps) {
  EndlessBytes zeros('\0');
  std::istream no_line_end(&zeros);
  EXPECT_EQ(ParseScenarios(no_line_end, "/dev/zero").error,
            "/dev/zero:1: line too long (at most 1 MiB)");
  EndlessBytes line_ends('\n');
  std::istream blank_lines(&line_ends);
  EXPECT_EQ(ParseScenarios(blank_lines, "fifo").error, "fifo: file too large (at most 64 MiB)");
}

}  // namespace
}  // namespace curling::stats
