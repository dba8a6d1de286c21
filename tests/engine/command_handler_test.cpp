#include "engine/command_handler.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <iterator>
#include <random>
#include <regex>
#include <string>

#include "tests/support/recording_simulator.h"

namespace curling {
namespace {

bool SameBytes(const GameState& a, const GameState& b) {
  return std::memcmp(&a, &b, sizeof(GameState)) == 0;
}

// A handler whose replies are collected.
class HandleCommandTest : public ::testing::Test {
 protected:
  bool Handle(std::string line) { return handler_.Handle(line.data()); }
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
    EXPECT_TRUE(SameBytes(handler_.state(), marked));
    return marked;
  }

  std::string replies_;
  CommandHandler handler_{[this](const char* text) { replies_ += text; }};
};

TEST_F(HandleCommandTest, NewGameZeroesEveryFieldAndOtherWordsChangeNothing) {
  const GameState marked = Mark();
  for (const char* line :
       {"NEWGAMES", "NEWGAME\tnow", "NEW GAME", "position\t1 2", "", "   ", "READYOK"}) {
    EXPECT_TRUE(Handle(line));
    EXPECT_TRUE(SameBytes(handler_.state(), marked)) << line;
  }
  EXPECT_TRUE(Handle("  newGame"));
  EXPECT_TRUE(SameBytes(handler_.state(), GameState{}));
  EXPECT_EQ(replies_, "");
  Handle("isReady x");
  EXPECT_EQ(replies_, "READYOK");
}

TEST_F(HandleCommandTest, ArgumentsAreStoredUntilAWordIsMissing) {
  // SETSTATE: ShotNum, CurEnd, LastEnd and NextSide after the line (Mark() sets 11, 3, 8, 1).
  const struct {
    const char* line;
    bool complete;
    std::array<int32_t, 4> fields;
  } setstate[] = {
      {"SETSTATE 5", false, {5, 3, 8, 1}},
      {"SETSTATE   3 0   10 2 x", true, {3, 0, 10, 1}},
      {"setstate 4 1 10 0", true, {4, 1, 10, 0}},
      // Out-of-range numbers are stored as given, clamped to int32 only.
      {"SETSTATE 99999999999 -3 x -1", true, {2147483647, -3, 0, 1}},
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
    EXPECT_TRUE(SameBytes(handler_.state(), expected)) << c.line;
  }
  // POSITION cut short: the first three coordinates given, the rest kept. A
  // trailing space makes one empty word, which converts to 0.
  for (const auto& [line, third] : {std::pair{"POSITION 1 2 3", 3.0f}, {"POSITION 1 2 ", 0.0f}}) {
    GameState expected = Mark();
    expected.Stones[0] = {1, 2};
    expected.Stones[1].x = third;
    EXPECT_FALSE(Handle(line)) << line;
    EXPECT_TRUE(SameBytes(handler_.state(), expected)) << line;
  }
  std::string full = "POSITION";
  for (int i = 0; i < 32; ++i)
    full.append(" ").append(std::to_string(i)).append(".5");
  EXPECT_TRUE(Handle(full + " ignored words"));
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(handler_.state().Stones[k].x, 2 * k + 0.5f);
    EXPECT_EQ(handler_.state().Stones[k].y, 2 * k + 1.5f);
  }
}

TEST_F(HandleCommandTest, GoWritesTheSearchCountBeforeTheMeanAndTheShot) {
  testing::RecordingSimulator::Load();
  testing::RecordingSimulator::SetRecording(false);
  const std::string number = R"(-?[0-9]+\.[0-9]{6})";
  const std::string best_shot = "BESTSHOT " + number + " " + number + " [01]";
  Handle("SETSTATE 15 0 10 1");
  Handle("GO");
  EXPECT_TRUE(std::regex_match(replies_, std::regex("ShotNum:450MeanScore:" + number + best_shot)))
      << replies_;
  // With no candidate above -8 the count comes alone before the shot.
  replies_.clear();
  testing::RecordingSimulator::SetSimulationHook([](GameState* state, ShotVector, float) {
    for (int k = 0; k < 16; ++k)
      state->Stones[k] = {k % 2 ? 0.0f : 2.3f + 0.01f * k, k % 2 ? 0.0f : 4.9f};
  });
  Handle("go");
  EXPECT_TRUE(std::regex_match(replies_, std::regex("ShotNum:[0-9]+" + best_shot))) << replies_;
  replies_.clear();
  Handle("SETSTATE 3 0 10 1");
  Handle("GO");
  EXPECT_TRUE(std::regex_match(replies_, std::regex(best_shot))) << replies_;
  testing::RecordingSimulator::Reset();
}

// Random lines of protocol-like pieces: nothing is ever written, a line whose
// first word is no command changes nothing, and a NEWGAME line zeroes the
// state. The sanitizer builds also watch for reads past the line's end.
TEST_F(HandleCommandTest, ArbitraryLinesOnlyEverDoWhatTheirFirstWordSays) {
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
    const GameState before = handler_.state();
    Handle(line);
    if (word == "NEWGAME") {
      ASSERT_TRUE(SameBytes(handler_.state(), GameState{})) << line;
    } else if (word != "POSITION" && word != "SETSTATE") {
      ASSERT_TRUE(SameBytes(handler_.state(), before)) << line;
    }
  }
  EXPECT_EQ(replies_, "");
}

}  // namespace
}  // namespace curling
