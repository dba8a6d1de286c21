// The sequential search (TopLevel 0) and the look-ahead that top-level
// workers run on every outcome below shot 15.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "search/parallel_evaluation.h"
#include "search/search_best_shot.h"
#include "tests/search/stdout_capture.h"
#include "tests/support/recording_simulator.h"

namespace curling {
namespace {

using ::curling::testing::RecordingSimulator;
using ::curling::testing::StdoutCapture;

// The opponent's replies to a shot-14 candidate (simulations from shot 15):
// curl 1 leaves two side-1 stones on the tee area (side 1 scores 2), curl 0
// one side-0 stone (side 1 scores -1). Shot-14 simulations move nothing.
void ReplyScoresTwoAtBestHook(GameState* state, ShotVector shot, float) {
  if (state->ShotNum != 15) return;
  for (auto& stone : state->Stones)
    stone = {0.0f, 0.0f};
  if (shot.curl == 1) {
    state->Stones[1] = {2.375f, 4.88f};
    state->Stones[3] = {2.375f, 5.0f};
  } else {
    state->Stones[0] = {2.375f, 4.88f};
  }
}

// Moves nothing at all.
void StillHook(GameState*, ShotVector, float) {}

class LookAheadTest : public ::testing::Test {
 protected:
  void SetUp() override { RecordingSimulator::Load(); }
  void TearDown() override { RecordingSimulator::Reset(); }

  static GameState StateAt(int shot) {
    GameState state{};
    state.ShotNum = shot;
    return state;
  }
  static std::vector<RecordedCall> SimulationsFrom(int shot) {
    std::vector<RecordedCall> out;
    for (const auto& call : RecordingSimulator::Calls()) {
      if (call.kind == kRecordedSimulation && call.before.ShotNum == shot) out.push_back(call);
    }
    return out;
  }
};

TEST_F(LookAheadTest, SequentialSearchPassesWhileTrialsExceedPassNumber) {
  // One grid point on the tee: two candidates that each score 1 for side 1.
  ShotVector best{5.0f, 5.0f, 1, {0, 0, 0}};
  StdoutCapture capture;
  const float mean = SearchBestShot(StateAt(15), best, 2.5f, 1, 0.0f, 0.0f, 0);
  EXPECT_EQ(capture.Finish(), "");                               // no text from a sequential search
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 6);  // three passes of two
  float expected = 0.0f;
  for (int p = 0; p < 3; ++p)
    expected = 1.0f / 2.5f + expected;
  EXPECT_EQ(mean, expected);
  EXPECT_EQ(best.vx, 2.375f);
  EXPECT_EQ(best.vy, 4.88f);
  EXPECT_EQ(best.curl, 0);  // first of the equal means

  RecordingSimulator::Reset();
  EXPECT_EQ(SearchBestShot(StateAt(15), best, 1.0f, 1, 0.0f, 0.0f, 0), 1.0f);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 2);

  RecordingSimulator::Reset();
  const ShotVector kept = best;
  EXPECT_EQ(SearchBestShot(StateAt(15), best, 1.0f, 0, 0.0f, 0.0f, 0), -8.0f);  // no candidate
  EXPECT_EQ(std::memcmp(&best, &kept, sizeof best), 0);
}

TEST_F(LookAheadTest, SequentialSearchNeverLooksAheadNorTouchesSharedTables) {
  // Fill the shared tables with a top-level search first.
  ShotVector best{};
  {
    StdoutCapture capture;
    SearchBestShot(StateAt(15), best, 1.0f, 2, 1.0f, 0.145f, 1);
  }
  const std::vector<float> scores = ScoreTable();
  const size_t candidates = CandidateTable().size();

  RecordingSimulator::Reset();
  GameState state = StateAt(14);
  state.Stones[0] = {2.0f, 5.0f};
  SearchBestShot(state, best, 1.0f, 1, 0.0f, 0.3f, 0);
  // 2 hits, 2 grid draws, 28 guards; each simulated once from shot 14.
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 32);
  EXPECT_EQ(SimulationsFrom(14).size(), 32u);
  for (const auto& call : SimulationsFrom(14))
    EXPECT_EQ(call.random_error, 0.3f);
  EXPECT_EQ(ScoreTable(), scores);
  EXPECT_EQ(CandidateTable().size(), candidates);
}

TEST_F(LookAheadTest, ShotFourteenCandidateIsJudgedByTheOpponentsBestReply) {
  RecordingSimulator::SetSimulationHook(ReplyScoresTwoAtBestHook);
  GameState state = StateAt(14);
  state.Stones[0] = {2.0f, 5.0f};  // not frozen onto (y above 4.59)
  ShotVector best{};
  std::string text;
  float mean;
  {
    StdoutCapture capture;
    mean = SearchBestShot(state, best, 4.0f, 2, 1.0f, 0.145f, 1);
    text = capture.Finish();
  }
  EXPECT_EQ(text, "ShotNum:48");  // 12 hits, 8 grid draws, 28 guards
  EXPECT_EQ(mean, -2.0f);
  for (float score : ScoreTable())
    EXPECT_EQ(score, -2.0f);
  // The shot returned is a top-level candidate, the first of the equal means.
  EXPECT_EQ(std::memcmp(&best, &CandidateTable()[0], sizeof best), 0);

  const auto top = SimulationsFrom(14);
  const auto replies = SimulationsFrom(15);
  EXPECT_EQ(top.size(), 48u * 4u);
  for (const auto& call : top)
    EXPECT_EQ(call.random_error, 0.145f);
  // Each outcome gets one pass over 2 hits on the stone left in play and the
  // 2 x 2 grid, without delivery error.
  EXPECT_EQ(replies.size(), 48u * 4u * 10u);
  for (const auto& call : replies)
    EXPECT_EQ(call.random_error, 0.0f);

  // The same position one shot later: outcomes scored directly.
  RecordingSimulator::Reset();
  RecordingSimulator::SetSimulationHook(ReplyScoresTwoAtBestHook);
  state.ShotNum = 15;
  {
    StdoutCapture capture;
    mean = SearchBestShot(state, best, 4.0f, 2, 1.0f, 0.145f, 1);
  }
  EXPECT_EQ(mean, 2.0f);  // curl-1 candidates score 2 for side 1 themselves
  EXPECT_EQ(best.curl, 1);
  // 8 grid draws and 12 hits, four trials each, and nothing more.
  EXPECT_EQ(SimulationsFrom(15).size(), 20u * 4u);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 20 * 4);
}

TEST_F(LookAheadTest, NoReplyCountsAsTheOpponentScoringMinusEight) {
  // Shot 14 with no stone in play and no grid: 28 guard candidates, after
  // which the opponent has no candidate at all.
  RecordingSimulator::SetSimulationHook(StillHook);
  ShotVector best{};
  float mean;
  {
    StdoutCapture capture;
    mean = SearchBestShot(StateAt(14), best, 2.0f, 0, 1.0f, 0.145f, 1);
  }
  EXPECT_EQ(mean, 8.0f);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 28 * 2);
}

}  // namespace
}  // namespace curling
