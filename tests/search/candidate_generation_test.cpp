// The candidate list: passes, order, curl order, counts and boundaries, as
// seen through the recording library (CreateShot returns the aim point, and
// CreateHitShot the aim with 100 x power added to y).
#include "search/candidate_generation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/recording_simulator.h"

namespace curling {
namespace {

using ::curling::testing::RecordingSimulator;

class CandidateGenerationTest : public ::testing::Test {
 protected:
  void SetUp() override { RecordingSimulator::Load(); }

  static GameState StateAt(int shot) {
    GameState state{};
    state.ShotNum = shot;
    return state;
  }
  static CandidateList Generate(const GameState& state, int grid_points, float grid_width,
                                int top_level) {
    CandidateList list;
    GenerateCandidates(state, grid_points, grid_width, top_level, list);
    return list;
  }
  static bool IsHit(const ShotVector& v) { return v.vy >= 100.0f; }
};

void ExpectShot(const ShotVector& v, float x, float y, int curl) {
  EXPECT_EQ(v.vx, x);
  EXPECT_EQ(v.vy, y);
  EXPECT_EQ(v.curl, curl);
}

TEST_F(CandidateGenerationTest, EmptyShot15IsTheGridInOrderWithExactPoints) {
  const CandidateList list = Generate(StateAt(15), 15, 2.44f, 1);
  ASSERT_EQ(list.Size(), 450u);
  ASSERT_EQ(list.scores.size(), 450u);
  const float w = 2.44f;
  const float step = w / static_cast<float>(14);
  const float x0 = 2.375f - w * 0.5f;
  const float y0 = 4.88f - w * 0.5f;
  for (int i = 0; i < 15; ++i) {
    for (int j = 0; j < 15; ++j) {
      for (int curl = 0; curl < 2; ++curl) {
        const size_t k = static_cast<size_t>((i * 15 + j) * 2 + curl);
        ExpectShot(list.shots[k], static_cast<float>(i) * step + x0,
                   static_cast<float>(j) * step + y0, curl);
        EXPECT_EQ(list.scores[k], 0.0f);
      }
    }
  }
  EXPECT_EQ(list.shots.front().vx, 1.155f);
  EXPECT_NEAR(list.shots.back().vx, 3.595f, 1e-6f);
  EXPECT_NEAR(list.shots.back().vy, 6.10f, 1e-6f);
  EXPECT_EQ(RecordingSimulator::Count(kRecordedCreateShot), 450);
}

TEST_F(CandidateGenerationTest, EmptyShot14IsGridThenGuardsOnEveryIndex) {
  const CandidateList list = Generate(StateAt(14), 5, 1.83f, 1);
  ASSERT_EQ(list.Size(), 78u);
  EXPECT_NEAR(list.shots[0].vx, 1.46f, 1e-6f);
  EXPECT_NEAR(list.shots[0].vy, 3.965f, 1e-6f);
  EXPECT_NEAR(list.shots[49].vx, 3.29f, 1e-6f);
  EXPECT_NEAR(list.shots[49].vy, 5.795f, 1e-6f);
  // Guards in front of the (0, 0) stones too: 2 x ShotNum of them, curl 0 then 1.
  for (size_t k = 50; k < 78; ++k) {
    EXPECT_FALSE(IsHit(list.shots[k]));
    EXPECT_EQ(list.shots[k].curl, (k - 50) % 2);
    EXPECT_GT(list.shots[k].vy, 0.0f);  // set back toward the delivery point
  }
}

TEST_F(CandidateGenerationTest, CountsFollowStonesInPlayAndFreezeLine) {
  // s stones in play, f of them below the freeze line, g = grid points.
  GameState state = StateAt(14);
  state.Stones[0] = {2.0f, 4.0f};   // in play, frozen onto
  state.Stones[1] = {0.0f, 0.5f};   // in play (one zero coordinate), frozen onto
  state.Stones[2] = {1.0f, 0.0f};   // in play, frozen onto
  state.Stones[3] = {2.3f, 4.59f};  // in play, on the freeze line: not frozen onto
  state.Stones[4] = {2.3f, 4.58f};  // in play, frozen onto
  state.Stones[5] = {0.0f, 0.0f};   // out of play
  state.Stones[6] = {3.0f, 6.0f};   // in play, behind the line
  state.Stones[14] = {2.4f, 4.0f};  // not yet thrown at shot 14: ignored
  state.Stones[15] = {2.4f, 4.1f};
  const int s = 6, f = 4;
  EXPECT_EQ(Generate(state, 5, 1.83f, 1).Size(), size_t(2 * f + 12 * s + 50 + 28));
  EXPECT_EQ(Generate(state, 5, 1.83f, 0).Size(), size_t(2 * f + 2 * s + 50 + 28));

  state.ShotNum = 15;  // stone 14 now counts; no freezes or guards
  EXPECT_EQ(Generate(state, 15, 2.44f, 1).Size(), size_t(12 * (s + 1) + 450));
  EXPECT_EQ(Generate(state, 15, 2.44f, 0).Size(), size_t(2 * (s + 1) + 450));

  // The freeze pass, alone at the head of the shot-14 list, uses exactly the
  // stones in play below 4.59, in index order, curl 0 then 1.
  state.ShotNum = 14;
  const CandidateList list = Generate(state, 0, 0.0f, 0);
  const float freeze_targets[][2] = {{2.0f, 4.0f}, {0.0f, 0.5f}, {1.0f, 0.0f}, {2.3f, 4.58f}};
  for (int k = 0; k < 4; ++k) {
    for (int curl = 0; curl < 2; ++curl) {
      const ShotVector& v = list.shots[static_cast<size_t>(2 * k + curl)];
      EXPECT_FALSE(IsHit(v));
      EXPECT_EQ(v.curl, curl);
      // 0.29 in front of the target along the line to the delivery point.
      const float dx = v.vx - freeze_targets[k][0], dy = v.vy - freeze_targets[k][1];
      EXPECT_NEAR(std::sqrt(dx * dx + dy * dy), 0.29f, 1e-5f);
      EXPECT_GT(dy, 0.0f);
    }
  }
  EXPECT_TRUE(IsHit(list.shots[8]));
}

TEST_F(CandidateGenerationTest, HitPatternRowsAndTheirOrder) {
  GameState state = StateAt(15);
  state.Stones[3] = {2.0f, 5.0f};
  state.Stones[7] = {2.0f, 5.0f};  // same spot: an identical run, nothing merged
  const CandidateList list = Generate(state, 0, 1.0f, 1);
  ASSERT_EQ(list.Size(), 24u);
  const float x = 2.0f, y = 5.0f;
  const float rows[12][3] = {
      {x, y, 12.0f},
      {x, y, 12.0f},
      {x, y + 0.29f, 7.0f},
      {x, y + 0.29f, 7.0f},
      {x + 0.145f, y, 12.0f},
      {x + 0.145f, y, 12.0f},
      {x - 0.145f, y, 12.0f},
      {x - 0.145f, y, 12.0f},
      {x + 0.145f, y + 0.29f, 7.0f},
      {x + 0.145f, y + 0.29f, 7.0f},
      {x - 0.145f, y + 0.29f, 7.0f},
      {x - 0.145f, y + 0.29f, 7.0f},
  };
  const auto calls = RecordingSimulator::Calls();
  ASSERT_EQ(calls.size(), 24u);
  for (size_t k = 0; k < 24; ++k) {
    const auto& row = rows[k % 12];
    EXPECT_EQ(calls[k].kind, kRecordedCreateHitShot);
    EXPECT_EQ(calls[k].aim.x, row[0]) << k;
    EXPECT_EQ(calls[k].aim.y, row[1]) << k;
    EXPECT_EQ(calls[k].power, row[2]) << k;
    EXPECT_EQ(calls[k].aim.curl, k % 2) << k;
    EXPECT_EQ(list.shots[k].vy, calls[k].shot.vy);
  }
  // Without TopLevel only the first two rows.
  RecordingSimulator::Reset();
  const CandidateList replies = Generate(state, 0, 1.0f, 0);
  ASSERT_EQ(replies.Size(), 4u);
  for (const auto& call : RecordingSimulator::Calls()) {
    EXPECT_EQ(call.aim.x, x);
    EXPECT_EQ(call.aim.y, y);
    EXPECT_EQ(call.power, 12.0f);
  }
}

TEST_F(CandidateGenerationTest, GridComesBeforeHitsOnlyAtShot15) {
  GameState state = StateAt(15);
  state.Stones[0] = {2.0f, 5.0f};
  CandidateList list = Generate(state, 2, 1.0f, 0);
  ASSERT_EQ(list.Size(), 10u);
  for (size_t k = 0; k < 8; ++k)
    EXPECT_FALSE(IsHit(list.shots[k])) << k;
  EXPECT_TRUE(IsHit(list.shots[8]) && IsHit(list.shots[9]));

  for (int shot : {1, 13, 16}) {
    state.ShotNum = shot;
    list = Generate(state, 2, 1.0f, 0);
    ASSERT_EQ(list.Size(), 10u) << shot;
    EXPECT_TRUE(IsHit(list.shots[0]) && IsHit(list.shots[1])) << shot;
    for (size_t k = 2; k < 10; ++k)
      EXPECT_FALSE(IsHit(list.shots[k])) << shot;
    // x outer, y inner: the second point differs from the first in y only.
    EXPECT_EQ(list.shots[4].vx, list.shots[2].vx);
    EXPECT_EQ(list.shots[4].vy, list.shots[2].vy + 1.0f);
    EXPECT_EQ(list.shots[6].vx, list.shots[2].vx + 1.0f);
  }
}

TEST_F(CandidateGenerationTest, GridPointsOneZeroAndNegative) {
  const CandidateList one = Generate(StateAt(15), 1, 2.44f, 1);
  ASSERT_EQ(one.Size(), 2u);
  ExpectShot(one.shots[0], 2.375f - 2.44f * 0.5f, 4.88f - 2.44f * 0.5f, 0);
  ExpectShot(one.shots[1], 2.375f - 2.44f * 0.5f, 4.88f - 2.44f * 0.5f, 1);
  EXPECT_EQ(Generate(StateAt(15), 0, 2.44f, 1).Size(), 0u);
  EXPECT_EQ(Generate(StateAt(15), -4, 2.44f, 1).Size(), 0u);
  EXPECT_EQ(Generate(StateAt(14), -4, 2.44f, 1).Size(), 28u);
}

TEST_F(CandidateGenerationTest, ShotNumberOutsideTheEndReadsOnlyTheSixteenStones) {
  GameState state = StateAt(1000);
  for (auto& stone : state.Stones)
    stone = {2.0f, 5.0f};
  EXPECT_EQ(Generate(state, 0, 1.0f, 1).Size(), 12u * 16u);
  state.ShotNum = -3;
  EXPECT_EQ(Generate(state, 2, 1.0f, 1).Size(), 8u);
}

}  // namespace
}  // namespace curling
