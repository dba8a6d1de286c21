// The top-level search: its text, trial count, the eight workers' share of
// the tables, the choice, and a worker thread that cannot be started.
#include "search/parallel_evaluation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "search/search_best_shot.h"
#include "tests/search/stdout_capture.h"
#include "tests/support/recording_simulator.h"

namespace curling {
namespace {

using ::curling::testing::RecordingSimulator;
using ::curling::testing::StdoutCapture;

std::atomic<long> g_top_simulations{0};
std::atomic<long> g_reply_simulations{0};

// Leaves the stones where they are; counts the top-level simulations (from
// the searched shot 14 or 15) apart from the look-ahead's (from shot 15 after
// a shot-14 candidate).
int g_searched_shot = 0;
void CountingHook(GameState* state, ShotVector, float) {
  if (state->ShotNum == g_searched_shot) {
    g_top_simulations.fetch_add(1);
  } else {
    g_reply_simulations.fetch_add(1);
  }
}

// Every even stone on the tee area: side 1 scores -8 whatever it throws.
void SideZeroScoresEightHook(GameState* state, ShotVector, float) {
  for (int k = 0; k < 16; k += 2)
    state->Stones[k] = {2.375f + 0.01f * k, 4.88f};
  for (int k = 1; k < 16; k += 2)
    state->Stones[k] = {0.0f, 0.0f};
}

class ParallelEvaluationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordingSimulator::Load();
    g_top_simulations = 0;
    g_reply_simulations = 0;
  }
  void TearDown() override {
    SetWorkerStarterForTesting(nullptr);
    RecordingSimulator::Reset();
  }
  static GameState StateAt(int shot) {
    GameState state{};
    state.ShotNum = shot;
    return state;
  }
  // Runs a top-level search with output captured into `text`.
  static float Search(const GameState& state, ShotVector& best, float trials, int grid_points,
                      float grid_width, std::string* text = nullptr) {
    StdoutCapture capture;
    const float result = SearchBestShot(state, best, trials, grid_points, grid_width, 0.145f, 1);
    const std::string written = capture.Finish();
    if (text != nullptr) *text = written;
    return result;
  }
};

TEST_F(ParallelEvaluationTest, TrialCountFollowsListLengthBelowShot15) {
  EXPECT_EQ(TopLevelTrials(5.0f, 14, 169), 5);
  EXPECT_EQ(TopLevelTrials(5.0f, 14, 170), 4);
  EXPECT_EQ(TopLevelTrials(5.0f, 14, 199), 4);
  EXPECT_EQ(TopLevelTrials(5.0f, 14, 200), 3);
  EXPECT_EQ(TopLevelTrials(5.0f, 13, 274), 3);
  EXPECT_EQ(TopLevelTrials(30.0f, 15, 600), 30);
  EXPECT_EQ(TopLevelTrials(30.0f, 16, 630), 30);
  EXPECT_EQ(TopLevelTrials(0.5f, 15, 10), 1);
  EXPECT_EQ(TopLevelTrials(1.5f, 14, 200), 1);  // cut below 1.0, raised again
  EXPECT_EQ(TopLevelTrials(2.9f, 15, 10), 2);   // truncated
  EXPECT_EQ(TopLevelTrials(-7.0f, 15, 10), 1);
  EXPECT_EQ(TopLevelTrials(std::numeric_limits<float>::quiet_NaN(), 15, 10), 1);

  // Whole searches at shot 14: s stones in play, f below the freeze line and
  // no grid give 2f + 12s + 28 candidates; the hook leaves every stone where
  // it lies, so each look-ahead replies with 2s hits.
  RecordingSimulator::SetRecording(false);
  RecordingSimulator::SetSimulationHook(CountingHook);
  g_searched_shot = 14;
  struct Case {
    int stones, frozen, candidates, trials;
  };
  for (const Case c :
       {Case{10, 10, 168, 5}, Case{11, 5, 170, 4}, Case{14, 1, 198, 4}, Case{14, 2, 200, 3}}) {
    GameState state = StateAt(14);
    for (int k = 0; k < c.stones; ++k) {
      state.Stones[k] = {1.5f + 0.1f * k, k < c.frozen ? 4.0f : 6.0f};
    }
    g_top_simulations = 0;
    g_reply_simulations = 0;
    ShotVector best{};
    std::string text;
    Search(state, best, 5.0f, 0, 1.83f, &text);
    EXPECT_EQ(text, "ShotNum:" + std::to_string(c.candidates));
    EXPECT_EQ(g_top_simulations.load(), long(c.candidates) * c.trials) << c.candidates;
    EXPECT_EQ(g_reply_simulations.load(), long(c.candidates) * c.trials * 2 * c.stones);
    EXPECT_EQ(ScoreTable().size(), size_t(c.candidates));
  }

  // At shot 15 no cut and no look-ahead: 212 candidates, 30 trials each.
  GameState state = StateAt(15);
  state.Stones[4] = {2.0f, 5.0f};
  g_searched_shot = 15;
  g_top_simulations = 0;
  g_reply_simulations = 0;
  ShotVector best{};
  Search(state, best, 30.0f, 10, 2.0f);
  EXPECT_EQ(g_top_simulations.load(), 212L * 30);
  EXPECT_EQ(g_reply_simulations.load(), 0);
}

TEST_F(ParallelEvaluationTest, WritesCandidateCountExactlyAndChoosesFirstOfEqualMeans) {
  // Grid of 3 x 3 points 2.0 apart: only the centre point (candidates 8 and
  // 9, curl 0 and 1, owned by workers 0 and 1) lands a stone that counts.
  ShotVector best{9.0f, 9.0f, 1, {0, 0, 0}};
  std::string text;
  const float mean = Search(StateAt(15), best, 30.0f, 3, 4.0f, &text);
  EXPECT_EQ(text, "ShotNum:18");
  float thirty_trials = 0.0f;  // the running mean as the worker builds it
  for (int t = 0; t < 30; ++t)
    thirty_trials = 1.0f / 30.0f + thirty_trials;
  // Scored for side 1, the side throwing shot 15, not for the copy's side
  // after the shot.
  EXPECT_EQ(mean, thirty_trials);
  EXPECT_EQ(best.vx, 2.375f);
  EXPECT_EQ(best.vy, 4.88f);
  EXPECT_EQ(best.curl, 0);
  ASSERT_EQ(ScoreTable().size(), 18u);
  ASSERT_EQ(CandidateTable().size(), 18u);
  for (size_t i = 0; i < 18; ++i) {
    EXPECT_EQ(ScoreTable()[i], (i == 8 || i == 9) ? thirty_trials : 0.0f) << i;
  }
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 18 * 30);

  std::string full;
  Search(StateAt(15), best, 1.0f, 15, 2.44f, &full);
  EXPECT_EQ(full, "ShotNum:450");
}

TEST_F(ParallelEvaluationTest, NoCandidateOrNoMeanAboveMinusEightLeavesBestShotAlone) {
  const ShotVector sentinel{7.0f, -3.0f, 1, {0, 0, 0}};
  ShotVector best = sentinel;
  std::string text;
  EXPECT_EQ(Search(StateAt(15), best, 30.0f, 0, 2.44f, &text), -8.0f);
  EXPECT_EQ(text, "ShotNum:0");
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 0);
  EXPECT_EQ(std::memcmp(&best, &sentinel, sizeof best), 0);

  RecordingSimulator::SetSimulationHook(SideZeroScoresEightHook);
  EXPECT_EQ(Search(StateAt(15), best, 4.0f, 3, 2.0f), -8.0f);
  EXPECT_EQ(std::memcmp(&best, &sentinel, sizeof best), 0);
  for (float score : ScoreTable())
    EXPECT_EQ(score, -8.0f);
}

TEST_F(ParallelEvaluationTest, FewerCandidatesThanWorkersAndTrialsRaisedToOne) {
  ShotVector best{};
  std::string text;
  // One grid point at the tee: two candidates, workers 2 to 7 idle.
  Search(StateAt(15), best, 0.5f, 1, 0.0f, &text);
  EXPECT_EQ(text, "ShotNum:2");
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 2);
  RecordingSimulator::Reset();
  EXPECT_EQ(Search(StateAt(15), best, 8.0f, 1, 0.0f), 1.0f);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 16);
  for (const auto& call : RecordingSimulator::Calls()) {
    if (call.kind == kRecordedSimulation) {
      EXPECT_EQ(call.random_error, 0.145f);
    }
  }
}

// Workers 2 and 5 (or all of them) cannot get a thread.
std::thread RefuseSome(EvaluationTask* task) {
  if (task->First == 2 || task->First == 5) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  }
  return StartWorkerThread(task);
}
std::thread RefuseAll(EvaluationTask*) {
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

TEST_F(ParallelEvaluationTest, WorkersWithoutThreadAreRunByTheSearchItself) {
  GameState state = StateAt(15);
  state.Stones[0] = {2.2f, 4.7f};
  state.Stones[1] = {2.6f, 5.1f};
  ShotVector reference_best{};
  const float reference = Search(state, reference_best, 4.0f, 5, 2.0f);
  const std::vector<float> reference_scores = ScoreTable();
  const long reference_calls = RecordingSimulator::Count(kRecordedSimulation);
  ASSERT_EQ(reference_calls, (50 + 24) * 4);

  for (WorkerStarter starter : {RefuseSome, RefuseAll}) {
    SetWorkerStarterForTesting(starter);
    RecordingSimulator::Reset();
    ShotVector best{};
    EXPECT_EQ(Search(state, best, 4.0f, 5, 2.0f), reference);
    EXPECT_EQ(std::memcmp(&best, &reference_best, sizeof best), 0);
    EXPECT_EQ(ScoreTable(), reference_scores);
    EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), reference_calls);
  }
}

TEST_F(ParallelEvaluationTest, WorkerTakesEveryEighthIndexAndNothingWithoutTrials) {
  GameState state = StateAt(15);
  const std::vector<ShotVector> candidates(19, ShotVector{2.375f, 4.88f, 0, {0, 0, 0}});
  std::vector<float> scores(19, 0.0f);
  EvaluationTask task{&state, 3, WorkerCount, 0, 2, 0.0f, 0.0f, 1, &candidates, &scores, 0};
  EXPECT_EQ(EvaluationWorker(&task), 1);
  for (size_t i = 0; i < scores.size(); ++i) {
    EXPECT_EQ(scores[i], (i == 3 || i == 11) ? 1.0f : 0.0f) << i;
  }
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 4);
  task.Trials = 0;
  EXPECT_EQ(EvaluationWorker(&task), 1);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 4);
  EXPECT_EQ(task.Failed, 0);
}

}  // namespace
}  // namespace curling
