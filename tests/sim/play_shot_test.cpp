// PlayShot's record of a shot: its trajectories and events agree with its
// final state, replaying the played delivery without error gives the same
// position, and PlayShotFinalState gives the same state without the record.
#include <gtest/gtest.h>

#include <cstring>

#include "library_support.h"

namespace curling::simtest {
namespace {

TEST(PlayShotRecord, TrajectoriesEventsAndReplayAgreeWithTheFinalState) {
  sim::RandomStream stream{31, 2, 0};
  int shots = 0;
  for (int stones : scenes::kSceneStoneCounts) {
    for (auto kind : {scenes::ShotKind::kDraw, scenes::ShotKind::kHit}) {
      for (const scenes::Scene& sc : scenes::MakeScenes(stones, kind, kReduced ? 4 : 16, 5)) {
        SCOPED_TRACE(testing::Message() << stones << " stones, shot " << shots);
        const ShotVector shot = SceneShot(sc);
        sim::RandomStream unrecorded = stream;
        const sim::ShotOutcome out = sim::PlayShot(sc.state, shot, 0.145f, stream);
        ++shots;
        // Without the record, the same shot from the same stream.
        const GameState final_only = sim::PlayShotFinalState(sc.state, shot, 0.145f, unrecorded);
        EXPECT_EQ(0, std::memcmp(&final_only, &out.final_state, sizeof(GameState)));
        EXPECT_EQ(unrecorded.counter, stream.counter);
        // Replaying the played delivery without error lands where the shot
        // did (within the rounding of `played` to single precision).
        const sim::ShotOutcome replay = PlayExact(sc.state, out.played);
        EXPECT_LT(MaxStoneDistance(replay.final_state, out.final_state), 5e-4);
        const GameState c_replay = Simulate(sc.state, out.played, 0.0f);
        EXPECT_EQ(0, std::memcmp(&c_replay, &replay.final_state, sizeof(GameState)));

        const bool restored = HasEvent(out, sim::EventKind::kFreeGuardZone, sc.state.ShotNum);
        // Every stone that moved has one trajectory, from where it was to
        // where it rests (or where it left play); the others did not move.
        std::vector<bool> has_trajectory(16, false);
        for (const sim::StoneTrajectory& tr : out.trajectories) {
          ASSERT_GE(tr.stone, 0);
          ASSERT_LT(tr.stone, 16);
          EXPECT_FALSE(has_trajectory[tr.stone]) << "two trajectories of stone " << tr.stone;
          has_trajectory[tr.stone] = true;
          ASSERT_FALSE(tr.samples.empty());
          for (size_t k = 1; k < tr.samples.size(); ++k) {
            EXPECT_GE(tr.samples[k].t, tr.samples[k - 1].t);
          }
          const StonePosition start = tr.stone == sc.state.ShotNum ? StonePosition{2.375f, 41.28f}
                                                                   : sc.state.Stones[tr.stone];
          EXPECT_EQ(tr.samples.front().x, start.x) << "stone " << tr.stone;
          EXPECT_EQ(tr.samples.front().y, start.y) << "stone " << tr.stone;
          const StonePosition end = out.final_state.Stones[tr.stone];
          if (!IsOut(out.final_state, tr.stone) && !restored) {
            EXPECT_EQ(tr.samples.back().x, end.x) << "stone " << tr.stone;
            EXPECT_EQ(tr.samples.back().y, end.y) << "stone " << tr.stone;
          }
        }
        for (int i = 0; i < 16; ++i) {
          if (has_trajectory[i] || restored || i == sc.state.ShotNum) continue;
          EXPECT_EQ(out.final_state.Stones[i].x, sc.state.Stones[i].x) << "stone " << i;
          EXPECT_EQ(out.final_state.Stones[i].y, sc.state.Stones[i].y) << "stone " << i;
        }
      }
    }
  }
  EXPECT_EQ(stream.counter, static_cast<uint64_t>(shots));
}

}  // namespace
}  // namespace curling::simtest
