#include "protocol/session.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace curling::protocol {
namespace {

bool SameBytes(const GameState& a, const GameState& b) {
  return std::memcmp(&a, &b, sizeof(GameState)) == 0;
}

// A session whose replies are collected; GO records the state it was asked
// about and answers "ANSWER".
class SessionTest : public ::testing::Test {
 protected:
  bool Handle(std::string line) { return session_.Handle(line.data()); }
  // Sets every field the commands set to something recognisable; returns
  // the state that gives.
  GameState Mark() {
    GameState marked{};
    std::string position = "POSITION";
    for (int k = 0; k < 16; ++k) {
      marked.Stones[k] = {9.0f + k, 19.0f + k};
      position.append(" ").append(std::to_string(9 + k)).append(" ").append(std::to_string(19 + k));
    }
    marked.ShotNum = 11;
    marked.CurEnd = 3;
    marked.LastEnd = 8;
    marked.NextSide = 1;
    Handle("NEWGAME");
    Handle(position);
    Handle("SETSTATE 11 3 8 1");
    EXPECT_TRUE(SameBytes(session_.state(), marked));
    return marked;
  }

  std::string replies_;
  std::vector<GameState> asked_;
  Session session_{[this](const char* text) { replies_ += text; },
                   [this](const GameState& state, const ReplyWriter& write) {
                     asked_.push_back(state);
                     write("ANSWER");
                   }};
};

TEST_F(SessionTest, NewGameZeroesEveryFieldAndOtherWordsChangeNothing) {
  const GameState marked = Mark();
  for (const char* line : {"NEWGAMES", "NEWGAME\tnow", "NEW GAME", "position\t1 2", "", "   ",
                           "READYOK", "GO\tnow", "SCORE 1 2", "TIME 3 4"}) {
    EXPECT_TRUE(Handle(line));
    EXPECT_TRUE(SameBytes(session_.state(), marked)) << line;
  }
  EXPECT_TRUE(Handle("  newGame"));
  EXPECT_TRUE(SameBytes(session_.state(), GameState{}));
  EXPECT_EQ(replies_, "");
  Handle("isReady x");
  EXPECT_EQ(replies_, "READYOK");
}

TEST_F(SessionTest, GoAnswersFromTheStateTheCommandsSet) {
  const GameState marked = Mark();
  Handle("  go more words\r\n");
  Handle("Go");
  EXPECT_EQ(replies_, "ANSWERANSWER");
  ASSERT_EQ(asked_.size(), 2u);
  EXPECT_TRUE(SameBytes(asked_[0], marked));
}

TEST_F(SessionTest, ArgumentsAreStoredUntilAWordIsMissing) {
  // SETSTATE: ShotNum, CurEnd, LastEnd and NextSide after the line (Mark() sets 11, 3, 8, 1).
  const struct {
    const char* line;
    bool complete;
    std::array<int32_t, 4> fields;
  } setstate[] = {
      {"SETSTATE 5", false, {5, 3, 8, 1}},
      {"SETSTATE   3 0   10 2 x", true, {3, 0, 10, 1}},
      {"setstate 4 1 10 0", true, {4, 1, 10, 0}},
      // A trailing space makes one empty word, which converts to 0.
      {"SETSTATE 6 ", false, {6, 0, 8, 1}},
      // Out-of-range numbers are stored as given, clamped to int32 only.
      {"SETSTATE 99999999999 -99999999999 x -1", true, {2147483647, -2147483647 - 1, 0, 1}},
      // A tab belongs to its word: "5\t6" reads as 5.
      {"SETSTATE 5\t6 1 2 0", true, {5, 1, 2, 0}},
      // The line is cut at its first line end: what follows is not read.
      {"SETSTATE 7 1 2 0\r\nSETSTATE 9 9 9 1", true, {7, 1, 2, 0}},
  };
  for (const auto& c : setstate) {
    GameState expected = Mark();
    expected.ShotNum = c.fields[0];
    expected.CurEnd = c.fields[1];
    expected.LastEnd = c.fields[2];
    expected.NextSide = static_cast<uint8_t>(c.fields[3]);
    EXPECT_EQ(Handle(c.line), c.complete) << c.line;
    EXPECT_TRUE(SameBytes(session_.state(), expected)) << c.line;
  }
  // POSITION cut short: the first three coordinates given, the rest kept.
  for (const auto& [line, third] : {std::pair{"POSITION 1 2 3", 3.0f}, {"POSITION 1 2 ", 0.0f}}) {
    GameState expected = Mark();
    expected.Stones[0] = {1, 2};
    expected.Stones[1].x = third;
    EXPECT_FALSE(Handle(line)) << line;
    EXPECT_TRUE(SameBytes(session_.state(), expected)) << line;
  }
  std::string full = "POSITION";
  for (int i = 0; i < 32; ++i)
    full.append(" ").append(std::to_string(i)).append(".5");
  EXPECT_TRUE(Handle(full + " ignored words"));
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(session_.state().Stones[k].x, 2 * k + 0.5f);
    EXPECT_EQ(session_.state().Stones[k].y, 2 * k + 1.5f);
  }
}

// Random lines of protocol-like pieces: nothing is ever written, a line whose
// first word is no command changes nothing, and a NEWGAME line zeroes the
// state. The sanitizer builds also watch for reads past the line's end.
TEST_F(SessionTest, ArbitraryLinesOnlyEverDoWhatTheirFirstWordSays) {
  const std::string pieces[] = {
      "POSITION", "SETSTATE", "NEWGAME",    " ",    "  ",  "\t", "\r",   "\n",  "1",       "-", "+",
      ".",        "e",        "9999999999", "1e39", "nan", "x",  "\xff", "0.5", "-2.25e-3"};
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) {
    std::string line;
    const int count = static_cast<int>(random() % 80);
    for (int k = 0; k < count; ++k)
      line += pieces[random() % std::size(pieces)];
    std::string first = line.substr(0, line.find_first_of("\r\n"));
    first.erase(0, first.find_first_not_of(' '));
    const std::string word = first.substr(0, first.find(' '));
    const GameState before = session_.state();
    Handle(line);
    if (word == "NEWGAME") {
      ASSERT_TRUE(SameBytes(session_.state(), GameState{})) << line;
    } else if (word != "POSITION" && word != "SETSTATE") {
      ASSERT_TRUE(SameBytes(session_.state(), before)) << line;
    }
  }
  EXPECT_EQ(replies_, "");
}

}  // namespace
}  // namespace curling::protocol
