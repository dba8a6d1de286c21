#include "server/text/shell_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace curling::server {
namespace {

TEST(ShellWords, SplitsLikeAShellWithoutExpanding) {
  std::string error;
  using Words = std::vector<std::string>;
  EXPECT_EQ(*SplitShellWords("  engine  --x 1 ", error), (Words{"engine", "--x", "1"}));
  EXPECT_EQ(*SplitShellWords("'my engine' \"a b\"c d\\ e $HOME", error),
            (Words{"my engine", "a bc", "d e", "$HOME"}));
  EXPECT_EQ(*SplitShellWords(R"(x "q\"uote" 'it''s' "")", error),
            (Words{"x", "q\"uote", "its", ""}));
  EXPECT_TRUE(SplitShellWords("", error)->empty());
  EXPECT_FALSE(SplitShellWords("engine 'open", error).has_value());
  EXPECT_FALSE(SplitShellWords("engine \"open", error).has_value());
  EXPECT_FALSE(SplitShellWords("engine \\", error).has_value());
}

}  // namespace
}  // namespace curling::server
