#include <gtest/gtest.h>

#include <cmath>

#include "sim/counter_random.h"
#include "sim/sheet_exit.h"

namespace curling::sim {
namespace {

// First time a densely sampled path is out of play, or -1.
double SampledExitTime(const CanonicalPath& path, const FreePath& motion, ExitKind& kind) {
  const double end = motion.StopTime();
  const int samples = 200000;
  for (int k = 0; k <= samples; ++k) {
    const double t = motion.StartTime() + (end - motion.StartTime()) * k / samples;
    const Vec2 p = motion.PositionAt(path, t);
    if (p.x <= kStoneRadius || p.x >= kSheetWidth - kStoneRadius) {
      kind = ExitKind::kSide;
      return t;
    }
    if (p.y < kBackLineY - kStoneRadius) {
      kind = ExitKind::kBack;
      return t;
    }
  }
  kind = ExitKind::kNone;
  return -1.0;
}

TEST(SheetExitTest, ExitTimeMatchesDenseSamplingForRandomPaths) {
  const CanonicalPath& path = CanonicalPath::Get();
  CounterRandom random(99);
  int exits = 0;
  for (int n = 0; n < 60; ++n) {
    const Vec2 start{0.3 + 4.15 * random.NextOpenUnit(), 3.2 + 8.0 * random.NextOpenUnit()};
    const double speed = 0.05 + 3.0 * random.NextOpenUnit();
    const double heading = 6.283185307179586 * random.NextOpenUnit();
    const int spin = static_cast<int>(random.NextBits() % 3) - 1;
    FreePath motion;
    motion.Start(path, 1.5, start, speed, heading, spin);
    const PathExit found = FindPathExit(path, motion, FindPathExtent(path, motion));
    ExitKind sampled_kind;
    const double sampled = SampledExitTime(path, motion, sampled_kind);
    ASSERT_EQ(found.kind, sampled_kind) << n;
    if (found.kind == ExitKind::kNone) continue;
    ++exits;
    const double step = (motion.StopTime() - motion.StartTime()) / 200000;
    EXPECT_LE(found.time, sampled + 1e-9) << n;
    EXPECT_GE(found.time, sampled - step - 1e-9) << n;
  }
  EXPECT_GT(exits, 10);
}

TEST(SheetExitTest, GrazingAndStartingPaths) {
  const CanonicalPath& path = CanonicalPath::Get();
  FreePath motion;
  // Straight along the side, 1 mm clear of it: never out.
  motion.Start(path, 0.0, {kStoneRadius + 1e-3, 30.0}, 2.0, -1.5707963267948966, 0);
  EXPECT_EQ(FindPathExit(path, motion, FindPathExtent(path, motion)).kind, ExitKind::kNone);
  // A curling stone that bends into the side board from 2 cm away.
  motion.Start(path, 0.0, {kStoneRadius + 0.02, 30.0}, 2.0, -1.5707963267948966, -1);
  const PathExit bent = FindPathExit(path, motion, FindPathExtent(path, motion));
  EXPECT_EQ(bent.kind, ExitKind::kSide);
  EXPECT_NEAR(motion.PositionAt(path, bent.time).x, kStoneRadius, 1e-9);
  // Straight down the centre: passes wholly beyond the back line.
  motion.Start(path, 2.0, {kCentreX, 10.0}, 2.0, -1.5707963267948966, 0);
  const PathExit back = FindPathExit(path, motion, FindPathExtent(path, motion));
  ASSERT_EQ(back.kind, ExitKind::kBack);
  EXPECT_NEAR(motion.PositionAt(path, back.time).y, kBackLineY - kStoneRadius, 1e-9);
  EXPECT_NEAR(back.time,
              2.0 + (2.0 - std::sqrt(4.0 - 2 * kDeceleration * (10.0 - 2.905))) / kDeceleration,
              1e-9);
  // A stone at rest never leaves.
  motion.Start(path, 0.0, {kCentreX, 10.0}, 0.0, 0.0, 1);
  EXPECT_EQ(FindPathExit(path, motion, FindPathExtent(path, motion)).kind, ExitKind::kNone);
}

}  // namespace
}  // namespace curling::sim
