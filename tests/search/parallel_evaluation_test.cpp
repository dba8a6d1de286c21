// The top-level search: its text, trial count, the workers' share of the
// tables, the choice, and workers whose thread cannot be started.
#include "search/parallel_evaluation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>

#include "engine/stdout_capture.h"
#include "search/search_best_shot.h"
#include "tests/support/recording_simulator.h"

namespace curling {
namespace {

using ::curling::testing::RecordingSimulator;

std::atomic<long> g_from_shot[17];

// Moves no stone; counts simulations by the shot they start from.
void CountingHook(GameState* state, ShotVector, float) {
  g_from_shot[state->ShotNum].fetch_add(1);
}

// Every even stone on the tee area: side 1 scores -8 whatever it throws.
void SideZeroScoresEightHook(GameState* state, ShotVector, float) {
  for (int k = 0; k < 16; ++k)
    state->Stones[k] = {k % 2 ? 0.0f : 2.3f + 0.01f * k, k % 2 ? 0.0f : 4.9f};
}

GameState StateAt(int shot) {
  GameState state{};
  state.ShotNum = shot;
  return state;
}

// A top-level search with its text captured.
float Search(const GameState& state, ShotVector& best, float trials, int grid_points,
             float grid_width, std::string* text = nullptr) {
  StdoutCapture capture;
  const float result = SearchBestShot(state, best, trials, grid_points, grid_width, 0.145f, 1);
  const std::string written = capture.Finish();
  if (text != nullptr) *text = written;
  return result;
}

TEST(ParallelEvaluationTest, TrialCountFollowsListLengthBelowShot15) {
  EXPECT_EQ(TopLevelTrials(5.0f, 14, 169), 5);
  EXPECT_EQ(TopLevelTrials(5.0f, 14, 170), 4);
  EXPECT_EQ(TopLevelTrials(5.0f, 13, 199), 4);
  EXPECT_EQ(TopLevelTrials(5.0f, 14, 200), 3);
  EXPECT_EQ(TopLevelTrials(30.0f, 15, 600), 30);
  EXPECT_EQ(TopLevelTrials(1.5f, 14, 200), 1);  // cut below 1.0, raised again
  EXPECT_EQ(TopLevelTrials(2.9f, 15, 10), 2);   // truncated
  EXPECT_EQ(TopLevelTrials(std::numeric_limits<float>::quiet_NaN(), 15, 10), 1);

  // Whole searches: s stones in play, f of them below the freeze line and no
  // grid give 2f + 12s + 28 candidates at shot 14; each outcome is followed
  // by the opponent's 2s replies.
  RecordingSimulator::Load();
  RecordingSimulator::SetRecording(false);
  RecordingSimulator::SetSimulationHook(CountingHook);
  struct Case {
    int shot, stones, frozen, candidates, trials;
  };
  for (const Case c : {Case{14, 11, 5, 170, 4}, Case{14, 14, 1, 198, 4}, Case{14, 14, 2, 200, 3},
                       Case{15, 14, 0, 168 + 200, 30}}) {
    GameState state = StateAt(c.shot);
    for (int k = 0; k < c.stones; ++k)
      state.Stones[k] = {1.5f + 0.1f * k, k < c.frozen ? 4.0f : 6.0f};
    for (auto& n : g_from_shot)
      n = 0;
    ShotVector best{};
    std::string text;
    Search(state, best, c.shot == 14 ? 5.0f : 30.0f, c.shot == 14 ? 0 : 10, 2.0f, &text);
    EXPECT_EQ(text, "ShotNum:" + std::to_string(c.candidates));
    EXPECT_EQ(g_from_shot[c.shot].load(), long(c.candidates) * c.trials) << c.candidates;
    const long replies = c.shot == 14 ? long(c.candidates) * c.trials * 2 * c.stones : 0;
    EXPECT_EQ(g_from_shot[c.shot + 1].load(), replies) << c.candidates;
  }
}

TEST(ParallelEvaluationTest, TextChoiceAndTiesGoToTheEarlierCandidate) {
  RecordingSimulator::Load();
  // 3 x 3 points 2.0 apart: only the centre (candidates 8 and 9, owned by
  // workers 0 and 1) counts, for side 1, the side throwing shot 15.
  ShotVector best{};
  std::string text;
  const float mean = Search(StateAt(15), best, 30.0f, 3, 4.0f, &text);
  EXPECT_EQ(text, "ShotNum:18");
  float expected = 0.0f;  // the running mean as a worker builds it
  for (int t = 0; t < 30; ++t)
    expected = 1.0f / 30.0f + expected;
  EXPECT_EQ(mean, expected);
  EXPECT_EQ(best.vx, 2.375f);
  EXPECT_EQ(best.vy, 4.88f);
  EXPECT_EQ(best.curl, 0);
  for (size_t i = 0; i < 18; ++i)
    EXPECT_EQ(ScoreTable()[i], i / 2 == 4 ? expected : 0.0f) << i;

  Search(StateAt(15), best, 1.0f, 15, 2.44f, &text);
  EXPECT_EQ(text, "ShotNum:450");
  // Two candidates (fewer than the workers), trials raised to one.
  RecordingSimulator::Reset();
  EXPECT_EQ(Search(StateAt(15), best, 0.5f, 1, 0.0f, &text), 1.0f);
  EXPECT_EQ(text, "ShotNum:2");
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 2);
}

TEST(ParallelEvaluationTest, NoMeanAboveMinusEightLeavesBestShotAlone) {
  RecordingSimulator::Load();
  const ShotVector sentinel{7.0f, -3.0f, 1, {0, 0, 0}};
  ShotVector best = sentinel;
  std::string text;
  EXPECT_EQ(Search(StateAt(15), best, 30.0f, 0, 2.44f, &text), -8.0f);
  EXPECT_EQ(text, "ShotNum:0");
  RecordingSimulator::SetSimulationHook(SideZeroScoresEightHook);
  EXPECT_EQ(Search(StateAt(15), best, 4.0f, 3, 2.0f), -8.0f);
  EXPECT_EQ(ScoreTable(), std::vector<float>(18, -8.0f));
  EXPECT_EQ(std::memcmp(&best, &sentinel, sizeof best), 0);
}

std::thread RefuseSome(EvaluationTask* task) {
  if (task->First != 2 && task->First != 5) return StartWorkerThread(task);
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}
std::thread RefuseAll(EvaluationTask*) {
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

TEST(ParallelEvaluationTest, WorkersWithoutThreadAreRunByTheSearchItself) {
  RecordingSimulator::Load();
  GameState state = StateAt(15);
  state.Stones[0] = {2.2f, 4.7f};
  state.Stones[1] = {2.6f, 5.1f};
  ShotVector reference_best{};
  const float reference = Search(state, reference_best, 4.0f, 5, 2.0f);
  const std::vector<float> reference_scores = ScoreTable();
  ASSERT_EQ(RecordingSimulator::Count(kRecordedSimulation), (50 + 24) * 4);
  for (WorkerStarter starter : {RefuseSome, RefuseAll}) {
    SetWorkerStarterForTesting(starter);
    RecordingSimulator::Reset();
    ShotVector best{};
    EXPECT_EQ(Search(state, best, 4.0f, 5, 2.0f), reference);
    EXPECT_EQ(std::memcmp(&best, &reference_best, sizeof best), 0);
    EXPECT_EQ(ScoreTable(), reference_scores);
    EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), (50 + 24) * 4);
  }
  SetWorkerStarterForTesting(nullptr);
}

}  // namespace
}  // namespace curling
