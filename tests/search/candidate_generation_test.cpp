// The candidate list through the recording library: CreateShot returns the
// aim point, CreateHitShot the aim with 100 x power added to y.
#include "search/candidate_generation.h"

#include <gtest/gtest.h>

#include "tests/support/recording_simulator.h"

namespace curling {
namespace {

using ::curling::testing::RecordingSimulator;

GameState StateAt(int shot) {
  GameState state{};
  state.ShotNum = shot;
  return state;
}

CandidateList Generate(const GameState& state, int grid_points, float grid_width, int top_level) {
  CandidateList list;
  GenerateCandidates(state, grid_points, grid_width, top_level, list);
  EXPECT_EQ(list.scores, std::vector<float>(list.Size(), 0.0f));
  return list;
}

bool IsHit(const ShotVector& v) {
  return v.vy >= 100.0f;
}

TEST(CandidateGenerationTest, ListSizesFollowStonesInPlayFreezeLineAndGrid) {
  RecordingSimulator::Load();
  GameState state = StateAt(14);
  state.Stones[0] = {2.0f, 4.0f};   // frozen onto
  state.Stones[1] = {0.0f, 0.5f};   // in play with one zero coordinate, frozen onto
  state.Stones[2] = {1.0f, 0.0f};   // the same
  state.Stones[3] = {2.3f, 4.59f};  // on the freeze line: not frozen onto
  state.Stones[4] = {2.3f, 4.58f};  // frozen onto
  state.Stones[6] = {3.0f, 6.0f};   // stone 5 at (0, 0) is out of play
  state.Stones[14] = {2.4f, 4.0f};  // not thrown before shot 15
  const int s = 6, f = 4;
  EXPECT_EQ(Generate(state, 5, 1.83f, 1).Size(), size_t(2 * f + 12 * s + 50 + 28));
  EXPECT_EQ(Generate(state, 5, 1.83f, 0).Size(), size_t(2 * f + 2 * s + 50 + 28));
  EXPECT_EQ(Generate(state, -4, 1.83f, 0).Size(), size_t(2 * f + 2 * s + 28));
  state.ShotNum = 15;
  EXPECT_EQ(Generate(state, 15, 2.44f, 1).Size(), size_t(12 * (s + 1) + 450));
  EXPECT_EQ(Generate(state, 15, 2.44f, 0).Size(), size_t(2 * (s + 1) + 450));
  EXPECT_EQ(Generate(StateAt(15), 0, 2.44f, 1).Size(), 0u);
  EXPECT_EQ(Generate(StateAt(14), 5, 1.83f, 1).Size(), 78u);  // guards even on (0, 0)

  // Never more than the sixteen stones, whatever ShotNum holds.
  for (auto& stone : state.Stones)
    stone = {2.0f, 5.0f};
  state.ShotNum = 1000;
  EXPECT_EQ(Generate(state, 0, 1.0f, 1).Size(), 12u * 16u);
  state.ShotNum = -3;
  EXPECT_EQ(Generate(state, 1, 1.0f, 1).Size(), 2u);
}

TEST(CandidateGenerationTest, PassOrderHitPatternAndExactGrid) {
  RecordingSimulator::Load();
  GameState state = StateAt(14);
  state.Stones[3] = {2.0f, 4.2f};
  const CandidateList list = Generate(state, 2, 1.0f, 1);
  ASSERT_EQ(list.Size(), 2u + 12u + 8u + 28u);
  // Freezes, hits, grid, guards; curl 0 then 1 throughout.
  for (size_t k = 0; k < list.Size(); ++k) {
    EXPECT_EQ(IsHit(list.shots[k]), k >= 2 && k < 14) << k;
    EXPECT_EQ(list.shots[k].curl, k % 2) << k;
  }
  const float x = 2.0f, y = 4.2f, d = 0.29f, r = 0.145f;
  const float rows[6][3] = {{x, y, 12},     {x, y + d, 7},     {x + r, y, 12},
                            {x - r, y, 12}, {x + r, y + d, 7}, {x - r, y + d, 7}};
  const auto calls = RecordingSimulator::Calls();
  ASSERT_EQ(calls.size(), list.Size());
  for (size_t k = 2; k < 14; ++k) {
    const auto& row = rows[(k - 2) / 2];
    EXPECT_EQ(calls[k].aim.x, row[0]) << k;
    EXPECT_EQ(calls[k].aim.y, row[1]) << k;
    EXPECT_EQ(calls[k].power, row[2]) << k;
  }
  // Grid x outer, y inner, from the corner (x0, y0) in steps of w / (n - 1).
  EXPECT_EQ(list.shots[14].vx, 1.875f);
  EXPECT_EQ(list.shots[14].vy, 4.38f);
  EXPECT_EQ(list.shots[16].vx, 1.875f);
  EXPECT_EQ(list.shots[16].vy, 1.0f + (4.88f - 0.5f));
  EXPECT_EQ(list.shots[18].vx, 1.0f + (2.375f - 0.5f));

  // At shot 15 the grid comes first; every point is exactly i * step + x0.
  state.ShotNum = 15;
  const CandidateList last = Generate(state, 15, 2.44f, 0);
  ASSERT_EQ(last.Size(), 452u);
  const float step = 2.44f / 14.0f, x0 = 2.375f - 2.44f * 0.5f, y0 = 4.88f - 2.44f * 0.5f;
  for (size_t k = 0; k < 450; ++k) {
    const int i = static_cast<int>(k / 30), j = static_cast<int>(k / 2 % 15);
    EXPECT_EQ(last.shots[k].vx, static_cast<float>(i) * step + x0) << k;
    EXPECT_EQ(last.shots[k].vy, static_cast<float>(j) * step + y0) << k;
    EXPECT_EQ(last.shots[k].curl, k % 2) << k;
  }
  EXPECT_TRUE(IsHit(last.shots[450]) && IsHit(last.shots[451]));

  // One grid point: the corner itself, once per curl.
  const CandidateList one = Generate(StateAt(13), 1, 2.44f, 1);
  ASSERT_EQ(one.Size(), 2u);
  EXPECT_EQ(one.shots[1].vx, 2.375f - 2.44f * 0.5f);
  EXPECT_EQ(one.shots[1].vy, 4.88f - 2.44f * 0.5f);
}

}  // namespace
}  // namespace curling
