// The corridor rules out only points that no point of the path comes near:
// a wrong answer there would make a stone pass through another unseen.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/free_path.h"
#include "sim/path_corridor.h"
#include "support/scenes.h"

namespace curling::sim {
namespace {

TEST(PathCorridor, KeepsEveryPointNearThePathAndRulesOutPointsFarFromIt) {
  const CanonicalPath& path = CanonicalPath::Get();
  const PathCorridor& corridor = PathCorridor::Get();
  const double reach = 2.0 * kStoneRadius + kContactGap;
  scenes::SceneRandom rng(11);
  int ruled_out = 0;
  for (int k = 0; k < 4000; ++k) {
    const int spin = k % 2 == 0 ? 1 : -1;
    const double v0 = rng.Uniform(0.2, 4.0);
    const double heading = rng.Uniform(0.0, 6.283185307179586);
    FreePath motion;
    motion.Start(path, 0.0, {2.0, 30.0}, {std::cos(heading), std::sin(heading)}, v0, spin);
    // A point within reach of the path, from its start to rest.
    const Vec2 on = motion.PositionAtSpeed(path, rng.Uniform(0.0, v0));
    const double angle = rng.Uniform(0.0, 6.283185307179586);
    const double r = reach * std::sqrt(rng.Uniform(0.0, 1.0));
    const Vec2 near{on.x + r * std::cos(angle), on.y + r * std::sin(angle)};
    ASSERT_TRUE(corridor.MayReach(motion.ToCanonical(near), motion.CanonicalStartX(), reach))
        << "v0 " << v0 << " heading " << heading << " spin " << spin;
    // Half a metre out across the path's middle: ruled out (most of the time;
    // a strongly curled path can come back near it).
    const Vec2 d = motion.DirectionAtSpeed(path, 0.5 * v0);
    const Vec2 mid = motion.PositionAtSpeed(path, 0.5 * v0);
    const Vec2 far{mid.x - 0.5 * d.y, mid.y + 0.5 * d.x};
    ruled_out += !corridor.MayReach(motion.ToCanonical(far), motion.CanonicalStartX(), reach);
  }
  EXPECT_GT(ruled_out, 3000);
}

}  // namespace
}  // namespace curling::sim
