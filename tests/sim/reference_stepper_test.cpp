// The reference stepper is the ground truth of the physics tests, so it is
// itself held to the motion law's exact consequences and to the figures the
// constants were chosen for.
#include "reference_stepper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace curling::reference {
namespace {

GameState Empty(int shot) {
  GameState s{};
  s.ShotNum = shot;
  return s;
}

// Position at speed `v_end` (0: at rest) of a stone delivered straight down
// the sheet at speed v0, relative to the delivery point.
Point StraightDownAt(double v0, double v_end, int curl, double max_step = 1e-3) {
  StepperOptions opt;
  opt.max_step = max_step;
  opt.sample_times = {(v0 - v_end) / kFriction};
  GameState s = Empty(0);
  // A long run needs room: start the empty sheet with no stones; the stone
  // leaves over the back line only past y = 2.905.
  ReferenceResult r = PlayReference(s, 0.0, -v0, curl, opt);
  return {r.samples[0][0].x - kDeliveryX, r.samples[0][0].y - kDeliveryY};
}

// Speed and heading of the delivery whose path reaches `target` (relative to
// the delivery point) with speed v_end, found by the secant method on v0.
struct Delivery {
  double v0;
  double theta0;
  Point offset;  // where the straight-down delivery reaches v_end
};

Delivery SolveDelivery(Point target, double v_end, int curl) {
  const double want = std::hypot(target.x, target.y);
  auto reach = [&](double v0) {
    const Point p = StraightDownAt(v0, v_end, curl);
    return std::hypot(p.x, p.y) - want;
  };
  double a = std::sqrt(v_end * v_end + 2 * kFriction * want), b = a * 1.01;
  double fa = reach(a), fb = reach(b);
  for (int i = 0; i < 20 && std::abs(fb) > 1e-9; ++i) {
    const double c = b - fb * (b - a) / (fb - fa);
    a = b, fa = fb;
    b = c, fb = reach(b);
  }
  const Point p = StraightDownAt(b, v_end, curl);
  const double theta0 =
      -std::numbers::pi / 2 + std::atan2(target.y, target.x) - std::atan2(p.y, p.x);
  return {b, theta0, p};
}

TEST(ReferenceStepper, FollowsTheExactConsequencesOfTheMotionLaw) {
  // Speed falls at the constant rate whatever the curl: the stone stops at
  // v0 / a, and the path length v0^2 / 2a bounds the straight distance.
  for (int curl : {0, 1}) {
    const double v0 = 2.45;
    ReferenceResult r = PlayReference(Empty(0), 0.0, -v0, curl);
    EXPECT_NEAR(r.duration, v0 / kFriction, 1e-9);
    const Point rest{r.rest[0].x - kDeliveryX, r.rest[0].y - kDeliveryY};
    const double chord = std::hypot(rest.x, rest.y);
    EXPECT_LT(chord, v0 * v0 / (2 * kFriction));
    EXPECT_GT(chord, v0 * v0 / (2 * kFriction) - 0.1);
    // Curl flag 1 bends toward larger x, flag 0 toward smaller x.
    EXPECT_EQ(rest.x > 0, curl == 1);
  }
  // The two curls are mirror images across the line of delivery.
  const ReferenceResult left = PlayReference(Empty(0), 0.03, -2.4, 0);
  const ReferenceResult right = PlayReference(Empty(0), -0.03, -2.4, 1);
  EXPECT_NEAR(left.rest[0].x - kDeliveryX, -(right.rest[0].x - kDeliveryX), 1e-9);
  EXPECT_NEAR(left.rest[0].y, right.rest[0].y, 1e-9);
}

TEST(ReferenceStepper, ConvergesWithTheStepSize) {
  // Paths of a draw and a hit weight agree between 1 ms and a quarter of that
  // far below the 0.01 mm the library is held to.
  for (double v0 : {2.4, 3.2}) {
    StepperOptions coarse, fine;
    fine.max_step = 0.25e-3;
    for (double t = 0.5; t < v0 / kFriction; t += 0.5)
      coarse.sample_times.push_back(t);
    fine.sample_times = coarse.sample_times;
    GameState s = Empty(0);
    s.Stones[1] = {2.6f, 5.0f};  // the hit weight strikes it
    const ReferenceResult a = PlayReference(s, 0.05, -v0, 1, coarse);
    const ReferenceResult b = PlayReference(s, 0.05, -v0, 1, fine);
    ASSERT_EQ(a.samples.size(), b.samples.size());
    for (size_t k = 0; k < a.samples.size(); ++k) {
      for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(a.samples[k][i].x, b.samples[k][i].x, 1e-7) << "t=" << coarse.sample_times[k];
        EXPECT_NEAR(a.samples[k][i].y, b.samples[k][i].y, 1e-7) << "t=" << coarse.sample_times[k];
      }
    }
  }
}

TEST(ReferenceStepper, ReproducesThePublishedFigures) {
  const Point tee{kTeeX - kDeliveryX, kTeeY - kDeliveryY};
  // A draw to the tee: 13 to 14.5 s hog line to hog line (13.7 s with these
  // constants) and 1.0 to 1.5 m of curl (1.2 m).
  const Delivery draw = SolveDelivery(tee, 0.0, 1);
  StepperOptions opt;
  for (double t = 0; t < 30; t += 0.002)
    opt.sample_times.push_back(t);
  const ReferenceResult r = PlayReference(Empty(0), draw.v0 * std::cos(draw.theta0),
                                          draw.v0 * std::sin(draw.theta0), 1, opt);
  EXPECT_NEAR(r.rest[0].x, kTeeX, 1e-6);
  EXPECT_NEAR(r.rest[0].y, kTeeY, 1e-6);
  auto crossing = [&](double y) {
    for (size_t k = 1; k < r.samples.size(); ++k) {
      const double y0 = r.samples[k - 1][0].y, y1 = r.samples[k][0].y;
      if (y0 >= y && y1 < y) return opt.sample_times[k - 1] + 0.002 * (y0 - y) / (y0 - y1);
    }
    return -1.0;
  };
  const double hog_to_hog = crossing(kHogLineY) - crossing(kNearHogLineY);
  EXPECT_NEAR(hog_to_hog, 13.7, 0.05);
  const double draw_curl = std::abs(draw.offset.x);
  EXPECT_NEAR(draw_curl, 1.2, 0.03);

  // Hack weight (3.66 m still to run at the tee) and 5.5 m.
  const double hack_curl =
      std::abs(SolveDelivery(tee, std::sqrt(2 * kFriction * 3.66), 0).offset.x);
  const double firm_curl = std::abs(SolveDelivery(tee, std::sqrt(2 * kFriction * 5.5), 0).offset.x);
  // With these constants the fractions of a draw's curl are 0.56 and 0.48.
  EXPECT_NEAR(hack_curl / draw_curl, 0.56, 0.01);
  EXPECT_NEAR(firm_curl / draw_curl, 0.48, 0.01);
  EXPECT_GT(hack_curl / draw_curl, 1.0 / 3.0);
  EXPECT_LT(hack_curl / draw_curl, 2.0 / 3.0);
  EXPECT_GT(firm_curl / draw_curl, 0.25);
  EXPECT_LT(firm_curl / draw_curl, 0.5);
}

TEST(ReferenceStepper, CollidesAndAppliesTheRules) {
  // Head-on at speed v on a stone at rest: the striker keeps (1 - e) / 2 of
  // the speed, the struck stone takes (1 + e) / 2 and runs straight.
  GameState s = Empty(1);
  s.Stones[0] = {2.375f, 25.0f};
  const double v0 = 2.8;
  ReferenceResult r = PlayReference(s, 0.0, -v0, 1);
  EXPECT_EQ(r.collisions, 1);
  EXPECT_TRUE(r.delivered_touched);
  // The striker (curled a few centimetres aside, so not quite head-on) keeps
  // a small part of its speed and stops within half a metre; the struck stone
  // takes the rest and runs on far beyond.
  EXPECT_LT(r.rest[1].y, 25.0 + 2 * kStoneRadius);
  EXPECT_GT(r.rest[1].y, 25.0 + 2 * kStoneRadius - 0.5);
  EXPECT_LT(r.rest[0].y, 25.0 - 15.0);

  // A stone that stops short of the hog line untouched is removed; the
  // shot number advances and the carried fields stay.
  s = Empty(7);
  s.Score[3] = 5;
  r = PlayReference(s, 0.0, -1.5, 0);
  EXPECT_TRUE(r.hog_line_removed);
  EXPECT_EQ(r.final_state.Stones[7].x, 0.0f);
  EXPECT_EQ(r.final_state.ShotNum, 8);
  EXPECT_EQ(r.final_state.Score[3], 5);

  // Out of play before the shot.
  EXPECT_TRUE(OutOfPlayBefore(NAN, 5.0f));
  EXPECT_TRUE(OutOfPlayBefore(0.1f, 5.0f));
  EXPECT_TRUE(OutOfPlayBefore(2.0f, 2.8f));
  EXPECT_TRUE(OutOfPlayBefore(2.0f, 41.3f));
  EXPECT_FALSE(OutOfPlayBefore(0.0f, 0.0f));
  EXPECT_FALSE(OutOfPlayBefore(2.0f, 3.0f));
  EXPECT_TRUE(InFreeGuardZone(2.375, 8.0));
  EXPECT_FALSE(InFreeGuardZone(2.375, 6.8));  // touches the house
  EXPECT_FALSE(InFreeGuardZone(2.375, 11.5));
}

}  // namespace
}  // namespace curling::reference
