// The real `curling-engine bench` against the real physics library: with the
// library's seed fixed, the count of library calls is a fingerprint of the
// engine's behaviour over the bench positions, and it is pinned here.
//
// Updating the pin: when a change is meant to alter what the engine decides
// (or the physics library's outcomes change, which alters the searches' and
// ratings' control flow), run `build/release/bin/curling-engine bench` twice,
// check that both runs print the same "bench: N library calls" line, and set
// kPinnedLibraryCalls to that N in the same commit as the change, saying why
// in the commit message. A change of the count that nobody meant is a fault.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/engine/program_run.h"

namespace curling::testing {
namespace {

constexpr unsigned long long kPinnedLibraryCalls = 166486;

TEST(BenchCommandTest, LibraryCallCountIsPinned) {
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
}

}  // namespace
}  // namespace curling::testing
