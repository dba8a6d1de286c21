// Collisions: the impulse along the line of centres with restitution, struck
// stones running straight, chains, and agreement with the reference stepper.
#include <gtest/gtest.h>

#include <cmath>

#include "library_support.h"

namespace curling::simtest {
namespace {

using reference::kFriction;
using reference::kRestitution;

struct Vec {
  double x = 0, y = 0;
};
Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
double Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}
double Norm(Vec a) {
  return std::hypot(a.x, a.y);
}

// Velocity just before (after = false) or just after the sample at time t:
// the mean over at least 3 ms next to it (the samples are single precision),
// corrected by the constant deceleration to the moment t.
Vec VelocityAt(const sim::StoneTrajectory& tr, double t, bool after, Vec* at = nullptr) {
  const auto& s = tr.samples;
  size_t k = 0;
  while (k < s.size() && std::abs(s[k].t - t) >= 1e-5)
    ++k;
  if (k == s.size()) return {};
  if (at) *at = {s[k].x, s[k].y};
  size_t j = k;
  do {
    if (after ? j + 1 >= s.size() : j == 0) return {};
    j = after ? j + 1 : j - 1;
  } while (std::abs(s[j].t - s[k].t) < 3e-3);
  const auto& a = s[after ? k : j];
  const auto& b = s[after ? j : k];
  const double dt = b.t - a.t;
  const Vec v{(b.x - a.x) / dt, (b.y - a.y) / dt};
  const double speed = Norm(v);
  if (speed == 0.0) return v;
  const double corrected = speed + (after ? 1 : -1) * kFriction * dt / 2;
  return {v.x * corrected / speed, v.y * corrected / speed};
}

TEST(Collisions, ImpulseAlongTheLineOfCentresAndStruckStonesRunStraight) {
  for (int curl : {0, 1}) {
    for (double offset : {0.0, 0.08, -0.15, 0.22}) {
      for (double power : {3.0, 9.0}) {
        SCOPED_TRACE(testing::Message()
                     << "curl " << curl << " offset " << offset << " power " << power);
        GameState s = EmptyState(7);
        s.Stones[0] = {2.375f, 6.0f};
        const sim::ShotOutcome out =
            PlayExact(s, Hit(2.375 + offset, 6.0, curl, power), true, 0.005f);
        double t = -1;
        int contacts = 0;
        for (const sim::ShotEvent& e : out.events) {
          if (e.kind == sim::EventKind::kCollision && contacts++ == 0) t = e.t;
        }
        ASSERT_EQ(contacts, 1);
        const sim::StoneTrajectory* striker = FindTrajectory(out, 7);
        const sim::StoneTrajectory* struck = FindTrajectory(out, 0);
        ASSERT_TRUE(striker && struck);
        Vec pa, pb;
        const Vec u = VelocityAt(*striker, t, false, &pa);
        const Vec u2 = VelocityAt(*striker, t, true);
        const Vec w = VelocityAt(*struck, t, true, &pb);
        const Vec d = pb - pa;
        EXPECT_NEAR(Norm(d), 2 * reference::kStoneRadius, 2e-5) << "contact at touching distance";
        const Vec n{d.x / Norm(d), d.y / Norm(d)}, tangent{-n.y, n.x};
        const double tol = 3e-3 * Norm(u);
        // Equal masses conserve momentum; the normal closing speed comes
        // back scaled by e; no tangential friction.
        EXPECT_LT(Norm(Vec{u.x - u2.x - w.x, u.y - u2.y - w.y}), tol);
        EXPECT_NEAR(Dot(w - u2, n), kRestitution * Dot(u, n), tol);
        EXPECT_LT(std::abs(Dot(w, tangent)), tol);
        EXPECT_NEAR(Dot(u2, tangent), Dot(u, tangent), tol);
        if (offset == 0.0) {  // nearly head-on: (1 + e) / 2 of the speed passes on
          EXPECT_NEAR(Norm(w) / Norm(u), (1 + kRestitution) / 2, 0.01);
          EXPECT_LT(Norm(u2) / Norm(u), 0.1);
        }
        // The struck stone runs straight, v^2 / 2a.
        const auto& ss = struck->samples;
        const Vec a{ss.front().x, ss.front().y}, chord = Vec{ss.back().x, ss.back().y} - a;
        for (const auto& p : ss) {
          EXPECT_LT(std::abs((p.x - a.x) * chord.y - (p.y - a.y) * chord.x) / Norm(chord), 2e-5)
              << "t=" << p.t;
        }
        if (!IsOut(out.final_state, 0)) {
          EXPECT_NEAR(Norm(chord), Dot(w, w) / (2 * kFriction), 2e-3);
        }
      }
    }
  }
}

TEST(Collisions, ChainsAndRaisesAgreeWithTheReference) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, StonePosition>> stones;
    int shot_num;
    Vec aim;
    double power;
    int min_contacts;
    bool frozen = false;  // frozen stones bump many times; only rest points must agree
  };
  const Case cases[] = {
      {"chain of three", {{0, {2.375f, 7.0f}}, {1, {2.39f, 6.3f}}}, 2, {2.375, 7.0}, 4.0, 2},
      {"raise into the house", {{0, {2.5f, 9.0f}}}, 5, {2.5, 9.0}, 3.0, 1},
      {"raise onto a house stone", {{0, {2.3f, 8.8f}}, {1, {2.25f, 5.3f}}}, 6, {2.3, 8.8}, 6.0, 2},
      {"double takeout", {{1, {1.9f, 5.0f}}, {3, {2.75f, 4.7f}}}, 4, {2.05, 5.0}, 12.0, 2},
      // Contacts with both stones at the same instant, resolved in index order.
      {"frozen triangle",
       {{0, {2.375f, 6.0f}}, {2, {2.23f, 5.74885f}}, {4, {2.52f, 5.74885f}}},
       7,
       {2.375, 6.0},
       5.0,
       3,
       true},
  };
  for (const Case& c : cases) {
    for (int curl : {0, 1}) {
      SCOPED_TRACE(testing::Message() << c.name << " curl " << curl);
      GameState s = EmptyState(c.shot_num);
      for (const auto& [index, pos] : c.stones)
        s.Stones[index] = pos;
      const ShotVector shot = Hit(c.aim.x, c.aim.y, curl, c.power);
      const sim::ShotOutcome out = PlayExact(s, shot);
      int contacts = 0;
      for (const auto& e : out.events)
        contacts += e.kind == sim::EventKind::kCollision;
      EXPECT_GE(contacts, c.min_contacts);
      const reference::ReferenceResult ref = Reference(s, shot);
      if (!c.frozen) {
        EXPECT_EQ(ref.collisions, contacts);
      }
      EXPECT_LT(MaxStoneDistance(out.final_state, ref.final_state), 1e-3);
      for (const auto& [index, pos] : c.stones) {
        EXPECT_TRUE(out.final_state.Stones[index].x != pos.x ||
                    out.final_state.Stones[index].y != pos.y)
            << "stone " << index << " did not move";
      }
    }
  }
}

}  // namespace
}  // namespace curling::simtest
