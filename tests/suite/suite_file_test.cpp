// Suite files: what is written reads back the same, line for line; every bad
// file is refused at its line, with nothing read; the stored win table reads
// as the engine's; the objectives judge an end's result as a curler would.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "eval/win_probability.h"
#include "suite/end_result.h"
#include "suite/suite_file.h"
#include "suite/suite_json.h"

namespace curling::suite {
namespace {

Suite SmallSuite() {
  Suite suite;
  suite.header.name = "small";
  suite.header.seed = 99;
  SuitePosition p;
  p.id = "one";
  p.stones[0] = {2.4f, 4.9f};
  p.stones[3] = {1.91f, 7.3f};
  p.context = {7, 7, 2, 3};
  p.tags = {"open", "shot-opponent"};
  Answer a;
  a.samples = 16384;
  a.best = {{{1.5f, -2.25f, 1, {}}, "hit", 2.4f, 4.9f, 3.0f}, 0.8125, 0.0031};
  a.runners_up.push_back({{{0.1f, -2.3f, 0, {}}, "draw", 2.3f, 5.0f, 0.0f}, 0.25, 0.004});
  p.answer = a;
  suite.positions.push_back(p);
  SuitePosition q = p;
  q.id = "two";
  q.objective = Objective::kPoints;
  q.answer.reset();
  suite.positions.push_back(q);
  return suite;
}

std::string Text(const Suite& suite) {
  std::ostringstream out;
  WriteSuite(out, suite);
  return out.str();
}

SuiteRead Parse(const std::string& text) {
  std::istringstream in(text);
  return ParseSuite(in, "f.jsonl");
}

TEST(SuiteFile, WhatIsWrittenReadsBackTheSameLineForLine) {
  const std::string text = Text(SmallSuite());
  const SuiteRead read = Parse("# a comment\n\n" + text);
  ASSERT_EQ(read.error, "");
  const Suite& suite = read.suite;
  EXPECT_EQ(suite.header.name, "small");
  EXPECT_EQ(suite.header.seed, 99u);
  EXPECT_EQ(suite.header.win_table, WinTable::FromEngine());
  ASSERT_EQ(suite.positions.size(), 2u);
  const SuitePosition& p = suite.positions[0];
  EXPECT_EQ(p.line, 4);
  EXPECT_EQ(p.stones[3].x, 1.91f);  // single precision exactly
  EXPECT_EQ(p.context, (GameContext{7, 7, 2, 3}));
  ASSERT_TRUE(p.answer);
  EXPECT_EQ(p.answer->best.delivery.shot.vx, 1.5f);
  EXPECT_EQ(p.answer->best.delivery.kind, "hit");
  EXPECT_EQ(p.answer->runners_up.size(), 1u);
  EXPECT_EQ(suite.positions[1].objective, Objective::kPoints);
  EXPECT_FALSE(suite.positions[1].answer);
  EXPECT_EQ(Text(suite), text);
  // Short decimals stay short.
  EXPECT_NE(text.find("[1.91,7.3]"), std::string::npos) << text;
}

struct BadFile {
  const char* what;
  int line;  // 0: no line in the message
  const char* says;
};

// Positions of the suite `SmallSuite()` with one thing changed.
std::string WithPosition(const std::string& old_text, const std::string& new_text) {
  std::string text = Text(SmallSuite());
  const size_t at = text.find(old_text);
  EXPECT_NE(at, std::string::npos) << old_text;
  return text.replace(at, old_text.size(), new_text);
}

TEST(SuiteFile, BadFilesAreRefusedAtTheirLineWithNothingRead) {
  const std::string header = Text(SmallSuite()).substr(0, Text(SmallSuite()).find('\n') + 1);
  const std::vector<std::pair<std::string, BadFile>> cases = {
      {header + "{\"type\": \"position\", \"id\": \"x\",", {"bad JSON", 2, "not valid JSON"}},
      {header + "[1, 2]\n", {"not an object", 2, "must be a JSON object"}},
      {WithPosition("[2.4,4.9],", "[NaN,4.9],"), {"NaN stone", 2, "not valid JSON"}},
      {WithPosition("[2.4,4.9],", ""), {"15 stones", 2, "has 15 entries, not 16"}},
      {WithPosition("[2.4,4.9],", "[2.4,4.9],[0,0],"), {"17 stones", 2, "has 17 entries"}},
      {WithPosition("[2.4,4.9],[0.0,0.0],[0.0,0.0],[1.91,7.3]", "[2.4,4.9],[0,0],[0,0],[2.5,5.0]"),
       {"overlapping stones", 2, "stones 0 and 3 overlap by"}},
      {WithPosition("[2.4,4.9],", "[9,4.9],"), {"stone off the sheet", 2, "not on the sheet"}},
      {WithPosition("\"shot\":15", "\"shot\":2"), {"stone not thrown yet", 2, "not thrown yet"}},
      {WithPosition("\"last_end\":7", "\"last_end\":6"), {"last end first", 2, "is before"}},
      {WithPosition("\"objective\":\"win\"", "\"objective\":\"style\""),
       {"objective", 2, "\"points\" or \"win\""}},
      {WithPosition("\"id\":\"two\"", "\"id\":\"one\""), {"id twice", 3, "used twice"}},
      {WithPosition("\"curl\":1", "\"curl\":2"), {"curl flag", 2, "\"curl\" is 2"}},
      {WithPosition("\"tags\"", "\"tag\""), {"unknown key", 2, "unknown key \"tag\""}},
      {WithPosition("\"max_lead\":15", "\"max_lead\":14"), {"win table shape", 1, "must hold"}},
      {Text(SmallSuite()).substr(header.size()), {"no header", 1, "suite's header"}},
      {header, {"no positions", 0, "no positions"}},
      {"", {"empty file", 0, "no suite header"}},
  };
  for (const auto& [text, bad] : cases) {
    const SuiteRead read = Parse(text);
    const std::string where =
        bad.line > 0 ? "f.jsonl:" + std::to_string(bad.line) + ": " : std::string("f.jsonl: ");
    EXPECT_EQ(read.error.rfind(where, 0), 0u) << bad.what << ": " << read.error;
    EXPECT_NE(read.error.find(bad.says), std::string::npos) << bad.what << ": " << read.error;
    EXPECT_TRUE(read.suite.positions.empty()) << bad.what;
  }
}

TEST(SuiteFile, ALineBeyondTheCapIsRefusedWithoutReadingItWhole) {
  const std::string header = Text(SmallSuite()).substr(0, Text(SmallSuite()).find('\n') + 1);
  const SuiteRead read = Parse(header + std::string(2 << 20, ' ') + "\n");
  EXPECT_EQ(read.error, "f.jsonl:2: line too long (at most 1 MiB)");
}

TEST(WinTable, TheStoredTableReadsAsTheEngineOwnEvenBeyondItsEdges) {
  const WinTable table = WinTable::FromEngine();
  for (int n = 0; n <= 12; ++n) {
    for (int lead = -20; lead <= 20; ++lead) {
      for (const bool hammer : {false, true})
        ASSERT_EQ(table.Chance(lead, n, hammer), WinProbability(lead, n, hammer))
            << lead << " " << n;
    }
  }
}

TEST(EndJudge, WinChancesFollowTheHammerAndPointsAreTheCount) {
  const WinTable table = WinTable::FromEngine();
  SuitePosition last;  // shot 15: the side to throw has the hammer
  last.context = {7, 7, 3, 3};
  const EndJudge tied_last_end(last, table);
  EXPECT_EQ(tied_last_end.Value(1), 1.0);
  EXPECT_EQ(tied_last_end.Value(-1), 0.0);
  // A blank goes to an extra end with the hammer kept.
  EXPECT_EQ(tied_last_end.Value(0), WinProbability(0, 0, true));

  SuitePosition second = last;  // shot 14: the other side has the hammer
  second.shot = 14;
  second.context = {2, 7, 4, 3};
  const EndJudge early(second, table);
  EXPECT_EQ(early.Value(0), WinProbability(1, 5, false));   // blank: the hammer stays over there
  EXPECT_EQ(early.Value(-2), WinProbability(-1, 5, true));  // stolen from: the hammer comes over
  EXPECT_EQ(early.Value(1), WinProbability(2, 5, false));

  last.objective = Objective::kPoints;
  const EndJudge points(last, table);
  ResultCounts counts;
  for (const int k : {2, 2, -1, 1})
    counts.Add(k);
  const Estimate e = EstimateOf(counts, points);
  EXPECT_DOUBLE_EQ(e.value, 1.0);
  EXPECT_NEAR(e.standard_error, std::sqrt(2.0 / 4.0), 1e-12);  // sample variance 2
}

}  // namespace
}  // namespace curling::suite
