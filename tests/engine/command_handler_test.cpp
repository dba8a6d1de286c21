#include "engine/command_handler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>

#include "engine/game_state.h"

namespace curling {
namespace {

// Runs `line` through HandleCommand, which may change its copy of the line.
int Handle(const std::string& line) {
  std::string buffer = line;
  return HandleCommand(buffer.data());
}

// A state with every field set to something recognisable.
GameState Marked() {
  GameState s{};
  s.ShotNum = 11;
  s.CurEnd = 3;
  s.LastEnd = 8;
  for (int i = 0; i < 10; ++i)
    s.Score[i] = i + 1;
  s.NextSide = 1;
  for (int k = 0; k < 16; ++k)
    s.Stones[k] = {9.0f + k, 19.0f + k};
  return s;
}

bool SameBytes(const GameState& a, const GameState& b) {
  return std::memcmp(&a, &b, sizeof(GameState)) == 0;
}

TEST(HandleCommandTest, NewGameZeroesEveryField) {
  g_game_state = Marked();
  EXPECT_EQ(Handle("  newGame"), 1);
  EXPECT_TRUE(SameBytes(g_game_state, GameState{}));

  g_game_state = Marked();
  Handle("NEWGAMES");
  Handle("NEWGAME\tnow");
  Handle("NEW GAME");
  Handle("position\t1 2");
  Handle("");
  Handle("   ");
  EXPECT_TRUE(SameBytes(g_game_state, Marked())) << "unmatched words must change nothing";
}

TEST(HandleCommandTest, PositionStoresCoordinatesUntilAWordIsMissing) {
  std::string full = "POSITION";
  for (int i = 0; i < 32; ++i) {
    full += ' ';
    full += std::to_string(i);
    full += ".5";
  }
  g_game_state = Marked();
  EXPECT_EQ(Handle(full + " ignored words"), 1);
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(g_game_state.Stones[k].x, 2 * k + 0.5f);
    EXPECT_EQ(g_game_state.Stones[k].y, 2 * k + 1.5f);
  }
  EXPECT_EQ(g_game_state.ShotNum, 11);

  g_game_state = Marked();
  EXPECT_EQ(Handle("POSITION 1 2 3"), 0);
  GameState expected = Marked();
  expected.Stones[0] = {1.0f, 2.0f};
  expected.Stones[1].x = 3.0f;
  EXPECT_TRUE(SameBytes(g_game_state, expected));

  // A trailing space makes one empty word, which converts to 0.
  g_game_state = Marked();
  EXPECT_EQ(Handle("POSITION 1 2 "), 0);
  expected = Marked();
  expected.Stones[0] = {1.0f, 2.0f};
  expected.Stones[1].x = 0.0f;
  EXPECT_TRUE(SameBytes(g_game_state, expected));
}

TEST(HandleCommandTest, SetStateStoresFieldsUntilAWordIsMissing) {
  g_game_state = Marked();
  EXPECT_EQ(Handle("SETSTATE   3 0   10 2"), 1);
  EXPECT_EQ(g_game_state.ShotNum, 3);
  EXPECT_EQ(g_game_state.CurEnd, 0);
  EXPECT_EQ(g_game_state.LastEnd, 10);
  EXPECT_EQ(g_game_state.NextSide, 1);
  Handle("setstate 4 1 10 0");
  EXPECT_EQ(g_game_state.NextSide, 0);
  Handle("SETSTATE 4 1 10 -1");
  EXPECT_EQ(g_game_state.NextSide, 1);

  g_game_state = Marked();
  EXPECT_EQ(Handle("SETSTATE 5"), 0);
  GameState expected = Marked();
  expected.ShotNum = 5;
  EXPECT_TRUE(SameBytes(g_game_state, expected));

  // Out-of-range shot numbers are stored as given (clamped to int32 only).
  Handle("SETSTATE 99999999999 -3 x");
  EXPECT_EQ(g_game_state.ShotNum, 2147483647);
  EXPECT_EQ(g_game_state.CurEnd, -3);
  EXPECT_EQ(g_game_state.LastEnd, 0);

  // The line is cut at its first line end: what follows is not read.
  g_game_state = Marked();
  Handle("SETSTATE 7 1 2 0\r\nSETSTATE 9 9 9 1");
  EXPECT_EQ(g_game_state.ShotNum, 7);
  EXPECT_EQ(g_game_state.NextSide, 0);
}

// Random lines of protocol-like pieces: no crash and no read past the line
// end (the sanitizer builds watch).
TEST(HandleCommandTest, ArbitraryLinesAreHandledSafely) {
  const std::string pieces[] = {
      "POSITION", "SETSTATE", "NEWGAME",    " ",    "  ",  "\t", "\r",   "\n",  "1",       "-", "+",
      ".",        "e",        "9999999999", "1e39", "nan", "x",  "\xff", "0.5", "-2.25e-3"};
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) {
    std::string line;
    const int count = static_cast<int>(random() % 80);
    for (int k = 0; k < count; ++k)
      line += pieces[random() % std::size(pieces)];
    Handle(line);
  }
  g_game_state = GameState{};
}

}  // namespace
}  // namespace curling
