#include "server/seat/reply_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace curling::server {
namespace {

ReplyStatus FeedAll(ReplyParser& parser, const std::string& bytes, bool at_end = true) {
  parser.Append(bytes);
  return parser.ParseShot(at_end);
}

TEST(ReplyParser, ReadsTextsSideBySideWithoutLineEnds) {
  ReplyParser parser;
  ASSERT_EQ(FeedAll(parser, "ShotNum:412MeanScore:-0.250000BESTSHOT 0.123456 -2.500000 1"),
            ReplyStatus::kComplete);
  EXPECT_EQ(parser.shot().shot_num, 412);
  EXPECT_DOUBLE_EQ(*parser.shot().mean_score, -0.25);
  EXPECT_FLOAT_EQ(parser.shot().shot.vx, 0.123456f);
  EXPECT_FLOAT_EQ(parser.shot().shot.vy, -2.5f);
  EXPECT_EQ(parser.shot().shot.curl, 1);
  EXPECT_TRUE(parser.pending().empty());

  // Surplus READYOK, line ends and lower-case words are accepted.
  ReplyParser second;
  ASSERT_EQ(FeedAll(second, "READYOK\r\nbestshot 1 2 0\r\n"), ReplyStatus::kComplete);
  EXPECT_FALSE(second.shot().shot_num.has_value());
  EXPECT_EQ(second.shot().shot.curl, 0);

  // Without ShotNum a MeanScore alone is fine too, and the next reply parses
  // from a fresh start.
  ASSERT_EQ(FeedAll(second, "MeanScore:1.5BESTSHOT 3 4 1"), ReplyStatus::kComplete);
  EXPECT_FALSE(second.shot().shot_num.has_value());
  EXPECT_DOUBLE_EQ(*second.shot().mean_score, 1.5);
}

TEST(ReplyParser, WaitsForTextsCutAnywhere) {
  const std::string reply = "ShotNum:12MeanScore:0.500000BESTSHOT 1.000000 -2.000000 1";
  // Fed a byte at a time, the reply completes only at its very end.
  ReplyParser parser;
  for (size_t i = 0; i + 1 < reply.size(); ++i) {
    parser.Append(reply.substr(i, 1));
    ASSERT_EQ(parser.ParseShot(false), ReplyStatus::kIncomplete) << "after " << i + 1 << " bytes";
  }
  parser.Append(reply.substr(reply.size() - 1));
  EXPECT_EQ(parser.ParseShot(false), ReplyStatus::kComplete);
  EXPECT_EQ(parser.shot().shot_num, 12);
  // A digit that arrives after the flag is stray text at the next reply.
  parser.Append("0BESTSHOT 1 2 0");
  EXPECT_EQ(parser.ParseShot(false), ReplyStatus::kFault);

  // A flag that may still go on waits for the end of the data.
  ReplyParser open_flag;
  open_flag.Append("BESTSHOT 1 2 -");
  EXPECT_EQ(open_flag.ParseShot(false), ReplyStatus::kIncomplete);
  open_flag.Append("1");
  EXPECT_EQ(open_flag.ParseShot(false), ReplyStatus::kIncomplete);
  EXPECT_EQ(open_flag.ParseShot(true), ReplyStatus::kFault);

  // A missing curl flag is never completed, even at the end of the data.
  for (const std::string cut : {"BESTSHOT 1.0 2.0 ", "BESTSHOT 1.0 2.", "BESTSHOT", "SHOTNUM:1"}) {
    ReplyParser parser_of_cut;
    EXPECT_EQ(FeedAll(parser_of_cut, cut), ReplyStatus::kIncomplete) << cut;
  }

  // READYOK in pieces.
  ReplyParser ready;
  ready.Append("REA");
  EXPECT_EQ(ready.ParseReady(), ReplyStatus::kIncomplete);
  ready.Append("DYOK");
  EXPECT_EQ(ready.ParseReady(), ReplyStatus::kComplete);
}

TEST(ReplyParser, MalformedNonFiniteAndBadCurlAreFaults) {
  for (const std::string bad :
       {"BESTSHOT nan 1.0 0", "BESTSHOT 1.0 -inf 0", "BESTSHOT 1e39 1.0 0", "BESTSHOT 1 2 7",
        "BESTSHOT 1 2 -1", "BESTSHOT 1 2 1.5", "BESTSHOT x 2 1", "BESTSHOT1 2 1", "hello",
        "ShotNum:abcBESTSHOT 1 2 1", "MeanScore:nanBESTSHOT 1 2 1", "BESTSHOT 1 2 1 extra"}) {
    ReplyParser parser;
    EXPECT_EQ(FeedAll(parser, bad), ReplyStatus::kFault) << bad;
    EXPECT_FALSE(parser.fault().empty()) << bad;
  }
  ReplyParser ready;
  ready.Append("READYNOT");
  EXPECT_EQ(ready.ParseReady(), ReplyStatus::kFault);
}

}  // namespace
}  // namespace curling::server
