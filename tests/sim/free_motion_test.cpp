// Free motion of the library against the reference stepper and against the
// published figures its constants were chosen for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "library_support.h"

namespace curling::simtest {
namespace {

using reference::kDeliveryX;
using reference::kDeliveryY;
using reference::kFriction;
using reference::kTeeX;
using reference::kTeeY;

constexpr double kPathTolerance = 1e-5;  // 0.01 mm

struct FreeShot {
  const char* name;
  ShotVector shot;
};

std::vector<FreeShot> FreeShots() {
  std::vector<FreeShot> shots;
  for (int curl : {0, 1}) {
    // Draws across the house and the guard zone.
    shots.push_back({"draw tee", Draw(kTeeX, kTeeY, curl)});
    shots.push_back({"draw back-four-foot", Draw(1.6, 3.6, curl)});
    shots.push_back({"draw side of house", Draw(3.6, 5.5, curl)});
    shots.push_back({"draw top of house", Draw(2.0, 6.6, curl)});
    shots.push_back({"centre guard", Draw(2.375, 8.5, curl)});
    shots.push_back({"corner guard", Draw(1.3, 10.4, curl)});
    // Hits of every weight through the house (the firm ones leave over the
    // back line, which ends their path).
    shots.push_back({"hit power 2", Hit(2.1, 5.2, curl, 2.0)});
    shots.push_back({"hit power 7", Hit(2.6, 4.3, curl, 7.0)});
    shots.push_back({"hit power 12", Hit(2.375, 6.0, curl, 12.0)});
  }
  shots.push_back({"straight fast", ShotVector{0.0f, -3.9f, 1, {}}});
  return shots;
}

TEST(FreeMotion, WholePathsAndRestPointsMatchTheReference) {
  for (const FreeShot& fs : FreeShots()) {
    SCOPED_TRACE(std::string(fs.name) + " curl " + std::to_string(fs.shot.curl));
    sim::RandomStream stream;
    const GameState start = EmptyState(0);
    const sim::ShotOutcome out = sim::PlayShot(start, fs.shot, 0.0f, stream, sim::Rules{}, 0.05f);
    ASSERT_EQ(out.trajectories.size(), 1u);
    const sim::StoneTrajectory& tr = out.trajectories[0];
    ASSERT_EQ(tr.stone, 0);
    ASSERT_GE(tr.samples.size(), 2u);
    EXPECT_EQ(tr.samples.front().x, static_cast<float>(kDeliveryX));
    EXPECT_EQ(tr.samples.front().y, static_cast<float>(kDeliveryY));

    std::vector<double> times;
    for (const auto& s : tr.samples)
      times.push_back(s.t);
    const reference::ReferenceResult ref = Reference(start, fs.shot, true, times);
    ASSERT_EQ(ref.samples.size(), times.size());
    double worst = 0.0;
    for (size_t k = 0; k < times.size(); ++k) {
      const reference::Point p = ref.samples[k][0];
      if (p.x == 0.0 && p.y == 0.0) {
        // The reference saw the stone leave play; only the library's exit
        // sample may lie at or after that moment.
        EXPECT_EQ(k + 1, times.size()) << "t=" << times[k];
        continue;
      }
      worst = std::max(worst, std::hypot(tr.samples[k].x - p.x, tr.samples[k].y - p.y));
    }
    EXPECT_LT(worst, kPathTolerance);
    // At rest (or out of play) in the same place.
    EXPECT_LT(MaxStoneDistance(out.final_state, ref.final_state), kPathTolerance);
    // The C export plays the same delivery to the same rest point.
    const GameState c_result = Simulate(start, fs.shot);
    EXPECT_EQ(0, std::memcmp(&c_result, &out.final_state, sizeof(GameState)));
  }
}

// Offset of point (x, y) from the line of the initial heading of `shot`.
double OffsetFromHeadingLine(const ShotVector& shot, double x, double y) {
  const double v = std::hypot(shot.vx, shot.vy);
  return ((x - kDeliveryX) * shot.vy - (y - kDeliveryY) * shot.vx) / v;
}

// Time at which a trajectory crosses the line y = `line` (moving to smaller y).
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
    SCOPED_TRACE("curl " + std::to_string(curl));
    // A draw to the tee: 13 to 14.5 s from hog line to hog line, 1.0 to 1.5 m
    // of curl.
    const ShotVector draw = Draw(kTeeX, kTeeY, curl);
    sim::RandomStream stream;
    const sim::ShotOutcome out = sim::PlayShot(EmptyState(0), draw, 0.0f, stream, {}, 0.01f);
    ASSERT_FALSE(out.trajectories.empty());
    const double hog_to_hog = CrossingTime(out.trajectories[0], reference::kHogLineY) -
                              CrossingTime(out.trajectories[0], reference::kNearHogLineY);
    EXPECT_GE(hog_to_hog, 13.0);
    EXPECT_LE(hog_to_hog, 14.5);
    const double draw_curl = std::abs(OffsetFromHeadingLine(draw, kTeeX, kTeeY));
    EXPECT_GE(draw_curl, 1.0);
    EXPECT_LE(draw_curl, 1.5);

    // Hack weight (3.66 m still to run at the tee) curls a third to two
    // thirds of that; 5.5 m to run, a quarter to a half.
    const ShotVector hack = Hit(kTeeX, kTeeY, curl, 3.66);
    const ShotVector firm = Hit(kTeeX, kTeeY, curl, 5.5);
    const double hack_ratio = std::abs(OffsetFromHeadingLine(hack, kTeeX, kTeeY)) / draw_curl;
    const double firm_ratio = std::abs(OffsetFromHeadingLine(firm, kTeeX, kTeeY)) / draw_curl;
    EXPECT_GT(hack_ratio, 1.0 / 3.0);
    EXPECT_LT(hack_ratio, 2.0 / 3.0);
    EXPECT_GT(firm_ratio, 0.25);
    EXPECT_LT(firm_ratio, 0.5);

    // Faster stones curl less, and a draw's speed is what its length implies.
    EXPECT_LT(firm_ratio, hack_ratio);
    EXPECT_NEAR(std::hypot(draw.vx, draw.vy), std::sqrt(2 * kFriction * (kDeliveryY - kTeeY)) * 1.0,
                0.01);
  }
}

TEST(FreeMotion, CurlFlagOneBendsTowardLargerX) {
  // Straight down the centre line: flag 1 comes to rest right of it, flag 0
  // left, by the same amount.
  const GameState right = Simulate(EmptyState(0), ShotVector{0.0f, -2.45f, 1, {}});
  const GameState left = Simulate(EmptyState(0), ShotVector{0.0f, -2.45f, 0, {}});
  EXPECT_GT(right.Stones[0].x, kTeeX + 1.0);
  EXPECT_LT(left.Stones[0].x, kTeeX - 1.0);
  EXPECT_NEAR(right.Stones[0].x - kTeeX, kTeeX - left.Stones[0].x, 1e-5);
  EXPECT_NEAR(right.Stones[0].y, left.Stones[0].y, 1e-5);
  // So a draw to the tee with flag 1 starts aimed left of it.
  EXPECT_LT(Draw(kTeeX, kTeeY, 1).vx, 0.0f);
  EXPECT_GT(Draw(kTeeX, kTeeY, 0).vx, 0.0f);
}

}  // namespace
}  // namespace curling::simtest
