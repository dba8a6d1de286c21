// The shot search against the recording library (CreateShot returns the aim
// point as the delivery, CreateHitShot the aim with y + 100 x power): the
// candidate list, the top-level evaluation and the look-ahead.
#include "search/default/search_best_shot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <vector>

#include "search/default/candidate_generation.h"
#include "search/default/parallel_evaluation.h"
#include "tests/support/recording_simulator.h"

namespace curling::testing {
namespace {

GameState StateAt(int shot) {
  GameState state{};
  state.ShotNum = shot;
  return state;
}

size_t CandidateCount(const GameState& state, int grid_points, bool top_level) {
  CandidateList list;
  AppendSearchCandidates(state, grid_points, 1.83f, top_level, list);
  EXPECT_EQ(list.scores, std::vector<float>(list.Size(), 0.0f));
  return list.Size();
}

std::vector<RecordedCall> SimulationsFrom(int shot) {
  std::vector<RecordedCall> out;
  for (const auto& call : RecordingSimulator::Calls()) {
    if (call.kind == kRecordedSimulation && call.before.ShotNum == shot) out.push_back(call);
  }
  return out;
}

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override { RecordingSimulator::Load(); }
  void TearDown() override {
    RecordingSimulator::Reset();
    SetWorkerStarterForTesting(nullptr);
  }
};

TEST_F(SearchTest, CandidatesComeFromThrownStonesInPlayOnly) {
  // Shot 14, no grid: two guards for each of the 14 thrown stones, and a
  // stone with one zero coordinate is in play (12 hits, 2 freezes) while one
  // at (0, 0) is not.
  GameState state = StateAt(14);
  EXPECT_EQ(CandidateCount(state, 0, true), 28u);
  state.Stones[0] = {0.0f, 0.5f};
  EXPECT_EQ(CandidateCount(state, 0, true), 28u + 12u + 2u);
  // Never more than the sixteen stones, whatever ShotNum holds.
  GameState crowded = StateAt(1000);
  for (auto& stone : crowded.Stones)
    stone = {2.0f, 5.0f};
  EXPECT_EQ(CandidateCount(crowded, 0, true), 12u * 16u);
  crowded.ShotNum = -3;
  EXPECT_EQ(CandidateCount(crowded, 1, true), 2u);
}

TEST_F(SearchTest, TrialCountStaysAWholeNumberOfAtLeastOne) {
  EXPECT_EQ(TopLevelTrials(1.5f, 14, 200), 1);  // cut below 1.0, raised again
  EXPECT_EQ(TopLevelTrials(2.9f, 15, 10), 2);   // truncated
  EXPECT_EQ(TopLevelTrials(std::numeric_limits<float>::quiet_NaN(), 15, 10), 1);
  EXPECT_EQ(TopLevelTrials(1e10f, 15, 10), std::numeric_limits<int>::max());
}

TEST_F(SearchTest, TopLevelReportsItsCountAndTiesGoToTheEarlierCandidate) {
  // 3 x 3 points 2.0 apart: only the centre (candidates 8 and 9, owned by
  // workers 0 and 1) counts, for side 1, the side throwing shot 15.
  int reported = -1;
  const auto best = SearchBestShot(StateAt(15), {30.0f, 3, 4.0f, 0.145f, true},
                                   {[&](int count) { reported = count; }});
  EXPECT_EQ(reported, 18);
  ASSERT_TRUE(best);
  EXPECT_NEAR(best->mean, 1.0f, 1e-5f);
  EXPECT_EQ(best->shot.vx, 2.375f);
  EXPECT_EQ(best->shot.vy, 4.88f);
  EXPECT_EQ(best->shot.curl, 0);
  // Fewer candidates than workers, trials raised to one.
  RecordingSimulator::Reset();
  EXPECT_TRUE(SearchBestShot(StateAt(15), {0.5f, 1, 0.0f, 0.145f, true}));
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 2);
  // No candidate at all, and no mean above -8: nothing chosen.
  EXPECT_FALSE(SearchBestShot(StateAt(15), {30.0f, 0, 2.44f, 0.145f, true}));
  RecordingSimulator::SetSimulationHook([](GameState* state, ShotVector, float) {
    for (int k = 0; k < 16; ++k)
      state->Stones[k] = {k % 2 ? 0.0f : 2.3f + 0.01f * k, k % 2 ? 0.0f : 4.9f};
  });
  EXPECT_FALSE(SearchBestShot(StateAt(15), {4.0f, 3, 2.0f, 0.145f, true}));
}

std::thread RefuseSome(EvaluationTask* task) {
  if (task->first != 2 && task->first != 5) return StartWorkerThread(task);
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}
std::thread RefuseAll(EvaluationTask*) {
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

TEST_F(SearchTest, WorkersWithoutThreadAreRunByTheSearchItself) {
  GameState state = StateAt(15);
  state.Stones[0] = {2.2f, 4.7f};
  state.Stones[1] = {2.6f, 5.1f};
  const SearchParameters parameters{4.0f, 5, 2.0f, 0.145f, true};
  auto evaluate = [&](ShotVector& best) {
    CandidateList list;
    AppendSearchCandidates(state, 5, 2.0f, true, list);
    const float mean = EvaluateInParallel(state, parameters, 4, list, best);
    EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), (50 + 24) * 4);
    RecordingSimulator::Reset();
    return std::make_pair(mean, list.scores);
  };
  ShotVector reference_best{};
  const auto reference = evaluate(reference_best);
  for (WorkerStarter starter : {RefuseSome, RefuseAll}) {
    SetWorkerStarterForTesting(starter);
    ShotVector best{};
    EXPECT_EQ(evaluate(best), reference);
    EXPECT_EQ(std::memcmp(&best, &reference_best, sizeof best), 0);
  }
}

// Replies (simulations from shot 15): curl 1 leaves two side-1 stones on the
// tee (side 1 scores 2), curl 0 one side-0 stone (side 1 scores -1).
// Simulations from other shots move nothing.
void ReplyScoresTwoAtBest(GameState* state, ShotVector shot, float) {
  if (state->ShotNum != 15) return;
  for (auto& stone : state->Stones)
    stone = {0.0f, 0.0f};
  state->Stones[shot.curl ? 1 : 0] = {2.375f, 4.88f};
  if (shot.curl) state->Stones[3] = {2.375f, 5.0f};
}

TEST_F(SearchTest, SequentialSearchPassesWhileTrialsExceedThePassNumber) {
  // One grid point on the tee: two candidates that each score 1 for side 1.
  const auto best = SearchBestShot(StateAt(15), {2.5f, 1, 0.0f, 0.0f, false},
                                   {[](int) { ADD_FAILURE() << "no report below the top"; }});
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 6);  // three passes
  ASSERT_TRUE(best);
  EXPECT_EQ(best->mean, 1.0f / 2.5f + (1.0f / 2.5f + 1.0f / 2.5f));
  EXPECT_EQ(best->shot.curl, 0);  // first of the equal means
  // Never a look-ahead, even below shot 15: 2 hits, 2 draws, 28 guards, once.
  RecordingSimulator::Reset();
  GameState state = StateAt(14);
  state.Stones[0] = {2.0f, 5.0f};
  SearchBestShot(state, {1.0f, 1, 0.0f, 0.3f, false});
  EXPECT_EQ(SimulationsFrom(14).size(), 32u);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 32);
}

TEST_F(SearchTest, BelowShotFifteenOutcomesAreJudgedByTheOpponentsBestReply) {
  RecordingSimulator::SetSimulationHook(ReplyScoresTwoAtBest);
  GameState state = StateAt(14);
  state.Stones[0] = {2.0f, 5.0f};
  const SearchParameters parameters{4.0f, 2, 1.0f, 0.145f, true};
  auto best = SearchBestShot(state, parameters);
  ASSERT_TRUE(best);
  EXPECT_EQ(best->mean, -2.0f);
  // The first top-level candidate (the first hit), not a reply.
  EXPECT_EQ(best->shot.vx, 2.0f);
  EXPECT_EQ(best->shot.vy, 5.0f + 1200.0f);
  const auto top = SimulationsFrom(14), replies = SimulationsFrom(15);
  EXPECT_EQ(top.size(), 48u * 4u);  // 12 hits, 8 grid draws, 28 guards
  for (const auto& call : top)
    EXPECT_EQ(call.random_error, 0.145f);
  // Per outcome, one error-free pass over the 2 x 2 grid and 2 hits.
  EXPECT_EQ(replies.size(), 48u * 4u * 10u);
  for (const auto& call : replies)
    EXPECT_EQ(call.random_error, 0.0f);

  // One shot later the outcomes are scored directly: 20 candidates, no replies.
  RecordingSimulator::Reset();
  RecordingSimulator::SetSimulationHook(ReplyScoresTwoAtBest);
  state.ShotNum = 15;
  best = SearchBestShot(state, parameters);
  ASSERT_TRUE(best);
  EXPECT_EQ(best->mean, 2.0f);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedSimulation), 20 * 4);

  // No reply at all counts as the opponent scoring -8: 28 guards, +8 each.
  RecordingSimulator::Reset();
  RecordingSimulator::SetSimulationHook(ReplyScoresTwoAtBest);
  best = SearchBestShot(StateAt(14), {2.0f, 0, 1.0f, 0.145f, true});
  ASSERT_TRUE(best);
  EXPECT_EQ(best->mean, 8.0f);
}

}  // namespace
}  // namespace curling::testing
