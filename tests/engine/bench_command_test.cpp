// The real `curling-engine bench` against the real physics library: with the
// library's seed fixed, the count of library calls and the fingerprint of the
// replies are deterministic, and both are pinned here. The count follows the
// decisions' control flow (which candidates were built and simulated, and how
// many replies the look-ahead tried); the fingerprint also catches a change
// of the chosen shots that leaves the count alone.
//
// Updating the pins: when a change is meant to alter what the engine decides,
// or the physics library's outcomes change (the look-ahead's work and the
// chosen shots depend on them), run `build/release/bin/curling-engine bench`
// twice, check that both runs print the same "replies" and "bench: N library
// calls" lines, and set kPinnedLibraryCalls and kPinnedReplies to them in the
// same commit as the change, saying why in the commit message. A change that
// nobody meant is a fault.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/child_program.h"

namespace curling::testing {
namespace {

constexpr unsigned long long kPinnedLibraryCalls = 166570;
constexpr char kPinnedReplies[] = "525abddf4334b44b";

TEST(BenchCommandTest, CallCountAndRepliesArePinned) {
  const ProgramRun run = RunProgram(CURLING_ENGINE_PATH, {"bench"});
  ASSERT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  std::printf("%s", run.out.c_str());
  EXPECT_TRUE(run.out.starts_with("library seed ")) << run.out;
  std::smatch m;
  ASSERT_TRUE(
      std::regex_search(run.out, m, std::regex(R"(\nbench: ([0-9]+) library calls, [0-9]+ ms\n$)")))
      << run.out;
  EXPECT_EQ(std::stoull(m[1].str()), kPinnedLibraryCalls)
      << "the engine's behaviour over the bench positions changed; see the top of this file";
  ASSERT_TRUE(std::regex_search(run.out, m, std::regex(R"(\nreplies ([0-9a-f]{16})\n)")));
  EXPECT_EQ(m[1].str(), kPinnedReplies)
      << "the engine's replies on the bench positions changed; see the top of this file";
}

}  // namespace
}  // namespace curling::testing
