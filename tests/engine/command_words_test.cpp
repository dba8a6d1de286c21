#include "engine/command_words.h"

#include <gtest/gtest.h>

#include <string>

namespace curling {
namespace {

// Word n of `line`, or "<none>" when GetWord reports it missing.
std::string Word(const char* line, int n) {
  std::string word = "<none>";
  const int found = GetWord(word, line, n);
  EXPECT_EQ(found == 1, word != "<none>") << "line '" << line << "' word " << n;
  return word;
}

TEST(GetWordTest, SpacesSeparateWordsAndLeadingSpacesAreSkipped) {
  EXPECT_EQ(Word("GO", 0), "GO");
  EXPECT_EQ(Word("GO", 1), "<none>");
  EXPECT_EQ(Word("   GO", 0), "GO");
  EXPECT_EQ(Word("SETSTATE 3   0 10", 1), "3");
  EXPECT_EQ(Word("SETSTATE 3   0 10", 2), "0");
  EXPECT_EQ(Word("SETSTATE 3   0 10", 3), "10");
  EXPECT_EQ(Word("SETSTATE 3   0 10", 4), "<none>");
  EXPECT_EQ(Word("SETSTATE 3   0 10", 40), "<none>");
}

TEST(GetWordTest, TabsAndOtherBytesBelongToWords) {
  EXPECT_EQ(Word("GO\tnow", 0), "GO\tnow");
  EXPECT_EQ(Word("GO\tnow", 1), "<none>");
  EXPECT_EQ(Word("a\t b", 1), "b");
  EXPECT_EQ(Word("\x81\xfe x", 0), "\x81\xfe");
}

TEST(GetWordTest, EmptyWords) {
  // The first word always exists, even in an empty line or a line of spaces.
  EXPECT_EQ(Word("", 0), "");
  EXPECT_EQ(Word("", 1), "<none>");
  EXPECT_EQ(Word("   ", 0), "");
  EXPECT_EQ(Word("   ", 1), "<none>");
  // A word followed only by spaces is followed by one empty word, no more.
  EXPECT_EQ(Word("POSITION 1 2 ", 3), "");
  EXPECT_EQ(Word("POSITION 1 2    ", 3), "");
  EXPECT_EQ(Word("POSITION 1 2 ", 4), "<none>");
  EXPECT_EQ(Word("a", -1), "<none>");
}

TEST(GetWordTest, CaseInsensitiveMatchIsAsciiOnlyAndWholeWord) {
  EXPECT_TRUE(EqualsIgnoringAsciiCase("isready", "ISREADY"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase("IsReAdY", "ISREADY"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ISREADYX", "ISREADY"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ISREAD", "ISREADY"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("", "GO"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase(std::string("GO\0", 3), "GO"));
  // '@' and '`' sit next to the letters: no case folding for them.
  EXPECT_FALSE(EqualsIgnoringAsciiCase("`", "@"));
}

}  // namespace
}  // namespace curling
