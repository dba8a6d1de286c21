// One whole end against the real physics library: sixteen decisions, each
// played out on the shared state as a server would, each answered with one
// well-formed BESTSHOT; the last two preceded by the search's texts.
#include <chrono>
#include <cstdio>
#include <regex>
#include <string>

#include "engine/simulator_binding.h"
#include "tests/search/decision_fixture.h"

#ifndef CURLING_REAL_SIMULATOR_PATH
#error "CURLING_REAL_SIMULATOR_PATH must be defined by the build"
#endif

namespace curling::testing {
namespace {

class WholeEnd : public DecisionTest {
 protected:
  void SetUp() override {
    std::string reason;
    ASSERT_TRUE(LoadSimulator(CURLING_REAL_SIMULATOR_PATH, reason)) << reason;
    g_game_state = GameState{};
  }
  void TearDown() override { g_game_state = GameState{}; }
};

TEST_F(WholeEnd, SixteenDecisionsEachReplyOnce) {
  const std::regex reply_form(
      R"((ShotNum:([0-9]+))?(MeanScore:-?[0-9]+\.[0-9]{6})?BESTSHOT (-?[0-9]+\.[0-9]{6}) (-?[0-9]+\.[0-9]{6}) ([01]))");
  for (int shot = 0; shot < 16; ++shot) {
    ASSERT_EQ(g_game_state.ShotNum, shot);
    const auto start = std::chrono::steady_clock::now();
    const std::string reply = Go();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("shot %2d: %.3f s  %s\n", shot, seconds, reply.c_str());

    std::smatch m;
    ASSERT_TRUE(std::regex_match(reply, m, reply_form)) << "shot " << shot << ": " << reply;
    EXPECT_EQ(m[1].matched, shot >= 14) << "candidate count at shot " << shot;
    if (shot >= 14) {
      EXPECT_GT(std::stoi(m[2].str()), 0);
    } else {
      EXPECT_FALSE(m[3].matched) << "MeanScore at shot " << shot;
    }

    const ShotVector delivery{std::stof(m[4].str()),
                              std::stof(m[5].str()),
                              static_cast<uint8_t>(m[6].str() == "1" ? 1 : 0),
                              {0, 0, 0}};
    Simulation(&g_game_state, delivery, 0.145f, nullptr, -1);
  }
  EXPECT_EQ(g_game_state.ShotNum, 16);
}

}  // namespace
}  // namespace curling::testing
