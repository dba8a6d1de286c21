#include "engine/command_handler.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/recording_simulator.h"

namespace curling {
namespace {

// A handler whose replies are collected. How its lines are read is
// protocol::Session's (tests/protocol/session_test.cpp); here, its GO.
class HandleCommandTest : public ::testing::Test {
 protected:
  void Handle(std::string line) { handler_.Handle(line.data()); }

  std::string replies_;
  CommandHandler handler_{[this](const char* text) { replies_ += text; }};
};

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

}  // namespace
}  // namespace curling
