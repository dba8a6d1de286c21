// Free motion against the reference stepper and the published figures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "library_support.h"

namespace curling::simtest {
namespace {

using reference::kDeliveryX;
using reference::kDeliveryY;
using reference::kTeeX;
using reference::kTeeY;

TEST(FreeMotion, WholePathsAndRestPointsMatchTheReference) {
  std::vector<ShotVector> shots{ShotVector{0.0f, -3.9f, 1, {}}};
  for (int curl : {0, 1}) {
    for (const auto& [x, y] :
         {std::pair{kTeeX, kTeeY}, {1.6, 3.6}, {3.6, 5.5}, {2.0, 6.6}, {2.375, 8.5}, {1.3, 10.4}})
      shots.push_back(Draw(x, y, curl));
    // The firm hits leave over the back line, which ends their path.
    shots.push_back(Hit(2.1, 5.2, curl, 2.0));
    shots.push_back(Hit(2.6, 4.3, curl, 7.0));
    shots.push_back(Hit(2.375, 6.0, curl, 12.0));
  }
  for (const ShotVector& shot : shots) {
    SCOPED_TRACE(testing::Message()
                 << "shot " << shot.vx << ", " << shot.vy << " curl " << int(shot.curl));
    const GameState start = EmptyState(0);
    const sim::ShotOutcome out = PlayExact(start, shot);
    ASSERT_EQ(out.trajectories.size(), 1u);
    const auto& samples = out.trajectories[0].samples;
    ASSERT_GE(samples.size(), 2u);
    EXPECT_EQ(samples.front().x, static_cast<float>(kDeliveryX));
    EXPECT_EQ(samples.front().y, static_cast<float>(kDeliveryY));
    std::vector<double> times;
    for (const auto& s : samples)
      times.push_back(s.t);
    const reference::ReferenceResult ref = Reference(start, shot, true, times);
    ASSERT_EQ(ref.samples.size(), times.size());
    for (size_t k = 0; k < times.size(); ++k) {
      const reference::Point p = ref.samples[k][0];
      if (p.x == 0.0 && p.y == 0.0) {  // left play: only the exit sample may follow
        EXPECT_EQ(k + 1, times.size()) << "t=" << times[k];
        continue;
      }
      EXPECT_LT(std::hypot(samples[k].x - p.x, samples[k].y - p.y), 1e-5) << "t=" << times[k];
    }
    EXPECT_LT(MaxStoneDistance(out.final_state, ref.final_state), 1e-5);
    const GameState c_result = Simulate(start, shot);
    EXPECT_EQ(0, std::memcmp(&c_result, &out.final_state, sizeof(GameState)));
  }
}

// Offset of (x, y) from the line of the initial heading of `shot`.
double CurlAt(const ShotVector& shot, double x, double y) {
  return std::abs((x - kDeliveryX) * shot.vy - (y - kDeliveryY) * shot.vx) /
         std::hypot(shot.vx, shot.vy);
}

double CrossingTime(const sim::StoneTrajectory& tr, double line) {
  for (size_t k = 1; k < tr.samples.size(); ++k) {
    const auto& a = tr.samples[k - 1];
    const auto& b = tr.samples[k];
    if (a.y >= line && b.y < line) return a.t + (b.t - a.t) * (a.y - line) / (a.y - b.y);
  }
  return -1.0;
}

TEST(FreeMotion, MatchesThePublishedCurlingFigures) {
  for (int curl : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "curl " << curl);
    // A draw to the tee: 13 to 14.5 s hog line to hog line, 1.0 to 1.5 m of curl.
    const ShotVector draw = Draw(kTeeX, kTeeY, curl);
    const sim::ShotOutcome out = PlayExact(EmptyState(0), draw, true, 0.01f);
    ASSERT_FALSE(out.trajectories.empty());
    const double hog_to_hog = CrossingTime(out.trajectories[0], reference::kHogLineY) -
                              CrossingTime(out.trajectories[0], reference::kNearHogLineY);
    EXPECT_GE(hog_to_hog, 13.0);
    EXPECT_LE(hog_to_hog, 14.5);
    const double draw_curl = CurlAt(draw, kTeeX, kTeeY);
    EXPECT_GE(draw_curl, 1.0);
    EXPECT_LE(draw_curl, 1.5);
    EXPECT_EQ(draw.vx < 0, curl == 1) << "flag 1 bends toward larger x, so it starts aimed left";
    // Hack weight (3.66 m left to run at the tee) curls 1/3 to 2/3 of that;
    // 5.5 m left, 1/4 to 1/2.
    const double hack = CurlAt(Hit(kTeeX, kTeeY, curl, 3.66), kTeeX, kTeeY) / draw_curl;
    const double firm = CurlAt(Hit(kTeeX, kTeeY, curl, 5.5), kTeeX, kTeeY) / draw_curl;
    EXPECT_GT(hack, 1.0 / 3.0);
    EXPECT_LT(hack, 2.0 / 3.0);
    EXPECT_GT(firm, 0.25);
    EXPECT_LT(firm, 0.5);
  }
}

}  // namespace
}  // namespace curling::simtest
