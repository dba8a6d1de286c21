// The sequential search (TopLevel 0) and the look-ahead that top-level
// workers run on every outcome below shot 15.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/stdout_capture.h"
#include "search/parallel_evaluation.h"
#include "search/search_best_shot.h"
#include "tests/support/recording_simulator.h"

namespace curling {
namespace {

using ::curling::testing::RecordingSimulator;

// Replies (simulations from shot 15): curl 1 leaves two side-1 stones on the
// tee (side 1 scores 2), curl 0 one side-0 stone (side 1 scores -1).
// Simulations from other shots move nothing.
void ReplyScoresTwoAtBestHook(GameState* state, ShotVector shot, float) {
  if (state->ShotNum != 15) return;
  for (auto& stone : state->Stones)
    stone = {0.0f, 0.0f};
  state->Stones[shot.curl ? 1 : 0] = {2.375f, 4.88f};
  if (shot.curl) state->Stones[3] = {2.375f, 5.0f};
}

GameState StateAt(int shot) {
  GameState state{};
  state.ShotNum = shot;
  return state;
}

std::vector<RecordedCall> SimulationsFrom(int shot) {
  std::vector<RecordedCall> out;
  for (const auto& call : RecordingSimulator::Calls()) {
    if (call.kind == kRecordedSimulation && call.before.ShotNum == shot) out.push_back(call);
  }
  return out;
}

TEST(LookAheadTest, SequentialSearchPassesWhileTrialsExceedPassNumber) {
  RecordingSimulator::Load();
  // One grid point on the tee: two candidates that each score 1 for side 1.
  ShotVector best{5.0f, 5.0f, 1, {0, 0, 0}};
  StdoutCapture capture;
  const float mean = SearchBestShot(StateAt(15), best, 2.5f, 1, 0.0f, 0.0f, 0);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 6);  // three passes
  EXPECT_EQ(mean, 1.0f / 2.5f + (1.0f / 2.5f + 1.0f / 2.5f));
  EXPECT_EQ(best.curl, 0);  // first of the equal means
  RecordingSimulator::Reset();
  EXPECT_EQ(SearchBestShot(StateAt(15), best, 1.0f, 1, 0.0f, 0.0f, 0), 1.0f);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 2);

  // Never a look-ahead, even below shot 15: 2 hits, 2 draws, 28 guards, once.
  RecordingSimulator::Reset();
  GameState state = StateAt(14);
  state.Stones[0] = {2.0f, 5.0f};
  SearchBestShot(state, best, 1.0f, 1, 0.0f, 0.3f, 0);
  EXPECT_EQ(SimulationsFrom(14).size(), 32u);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 32);
  EXPECT_EQ(capture.Finish(), "");  // no text from a sequential search
}

TEST(LookAheadTest, ShotFourteenCandidateIsJudgedByTheOpponentsBestReply) {
  RecordingSimulator::Load();
  RecordingSimulator::SetSimulationHook(ReplyScoresTwoAtBestHook);
  GameState state = StateAt(14);
  state.Stones[0] = {2.0f, 5.0f};
  ShotVector best{};
  StdoutCapture capture;
  EXPECT_EQ(SearchBestShot(state, best, 4.0f, 2, 1.0f, 0.145f, 1), -2.0f);
  EXPECT_EQ(capture.Finish(), "ShotNum:48");  // 12 hits, 8 grid draws, 28 guards
  EXPECT_EQ(ScoreTable(), std::vector<float>(48, -2.0f));
  // The shot returned is the first top-level candidate, not a reply.
  EXPECT_EQ(std::memcmp(&best, &CandidateTable()[0], sizeof best), 0);
  const auto top = SimulationsFrom(14), replies = SimulationsFrom(15);
  EXPECT_EQ(top.size(), 48u * 4u);
  for (const auto& call : top)
    EXPECT_EQ(call.random_error, 0.145f);
  // Per outcome, one error-free pass over the 2 x 2 grid and 2 hits.
  EXPECT_EQ(replies.size(), 48u * 4u * 10u);
  for (const auto& call : replies)
    EXPECT_EQ(call.random_error, 0.0f);

  // One shot later the outcomes are scored directly: 20 candidates, no replies.
  StdoutCapture quiet;
  RecordingSimulator::Reset();
  RecordingSimulator::SetSimulationHook(ReplyScoresTwoAtBestHook);
  state.ShotNum = 15;
  EXPECT_EQ(SearchBestShot(state, best, 4.0f, 2, 1.0f, 0.145f, 1), 2.0f);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 20 * 4);

  // No reply at all counts as the opponent scoring -8: 28 guards, +8 each.
  RecordingSimulator::Reset();
  RecordingSimulator::SetSimulationHook(ReplyScoresTwoAtBestHook);
  EXPECT_EQ(SearchBestShot(StateAt(14), best, 2.0f, 0, 1.0f, 0.145f, 1), 8.0f);
}

}  // namespace
}  // namespace curling
