// Shared set-up for the move-decision tests: the recording library bound, a
// clean shared game state, and DecideShot run with standard output captured.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/game_state.h"
#include "engine/stdout_capture.h"
#include "search/decision.h"
#include "tests/support/recording_simulator.h"

namespace curling::testing {

// Formats a delivery as the decision's reply text.
inline std::string BestShotText(float vx, float vy, int curl) {
  char text[1024];
  std::snprintf(text, sizeof text, "BESTSHOT %f %f %d", static_cast<double>(vx),
                static_cast<double>(vy), curl);
  return text;
}

// Makes every simulated outcome score -8 for the side to throw in the shared
// game state (at every depth of a search): its stones leave play and the
// eight opposing stones lie in the house.
inline void OpponentScoresEight(GameState* state, ShotVector, float) {
  const int own = g_game_state.ShotNum % 2 == 0 ? 0 : 1;
  for (int i = 0; i < 16; ++i) {
    const bool opposing = i % 2 != own;
    state->Stones[i] = opposing ? StonePosition{2.375f, 4.0f + 0.1f * i} : StonePosition{0, 0};
  }
}

class DecisionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordingSimulator::Load();
    saved_ = g_game_state;
    g_game_state = GameState{};
  }
  void TearDown() override {
    RecordingSimulator::Reset();
    g_game_state = saved_;
  }

  void SetShot(int shot_num) { g_game_state.ShotNum = shot_num; }
  void Place(int index, float x, float y) { g_game_state.Stones[index] = {x, y}; }

  // Runs one decision and returns everything it wrote to standard output.
  std::string Go() {
    StdoutCapture capture;
    DecideShot();
    return capture.Finish();
  }

  static std::vector<RecordedCall> CallsOf(RecordedCallKind kind) {
    std::vector<RecordedCall> out;
    for (const RecordedCall& call : RecordingSimulator::Calls()) {
      if (call.kind == kind) out.push_back(call);
    }
    return out;
  }

  // Expects the shot-building calls (CreateShot / CreateHitShot, in order)
  // to aim exactly at `aims` with these curls.
  struct ExpectedAim {
    RecordedCallKind kind;
    float x, y;
    int curl;
  };
  static void ExpectAims(const std::vector<ExpectedAim>& aims) {
    std::vector<RecordedCall> built;
    for (const RecordedCall& call : RecordingSimulator::Calls()) {
      if (call.kind != kRecordedSimulation) built.push_back(call);
    }
    ASSERT_EQ(built.size(), aims.size());
    for (size_t i = 0; i < aims.size(); ++i) {
      EXPECT_EQ(built[i].kind, aims[i].kind) << "call " << i;
      EXPECT_EQ(built[i].aim.x, aims[i].x) << "call " << i;
      EXPECT_EQ(built[i].aim.y, aims[i].y) << "call " << i;
      EXPECT_EQ(built[i].aim.curl, aims[i].curl) << "call " << i;
      if (aims[i].kind == kRecordedCreateHitShot) {
        EXPECT_EQ(built[i].power, 12.0f) << "call " << i;
      }
    }
  }

 private:
  GameState saved_{};
};

}  // namespace curling::testing
