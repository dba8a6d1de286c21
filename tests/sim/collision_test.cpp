// Collisions: the impulse along the line of centres with restitution 0.9,
// equal masses, struck stones running straight, chains, and agreement with
// the reference stepper.
#include <gtest/gtest.h>

#include <cmath>

#include "library_support.h"

namespace curling::simtest {
namespace {

using reference::kFriction;
using reference::kRestitution;
using reference::kStoneRadius;

struct Vec {
  double x = 0, y = 0;
};
Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
double Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}
double Norm(Vec a) {
  return std::hypot(a.x, a.y);
}

const sim::StoneTrajectory* FindTrajectory(const sim::ShotOutcome& out, int stone) {
  for (const auto& tr : out.trajectories) {
    if (tr.stone == stone) return &tr;
  }
  return nullptr;
}

// Position of a stone at sample time t (the sample within 1e-5 s of t).
bool PositionAt(const sim::StoneTrajectory& tr, double t, Vec& p, size_t& index) {
  for (size_t k = 0; k < tr.samples.size(); ++k) {
    if (std::abs(tr.samples[k].t - t) < 1e-5) {
      p = {tr.samples[k].x, tr.samples[k].y};
      index = k;
      return true;
    }
  }
  return false;
}

// Velocity just before (after = false) or just after the sample at time t:
// the mean velocity over at least 3 ms next to it (the samples are single
// precision), corrected by the constant deceleration to the moment t itself.
Vec VelocityAt(const sim::StoneTrajectory& tr, double t, bool after) {
  Vec p;
  size_t k;
  if (!PositionAt(tr, t, p, k)) return {};
  size_t j = k;
  while (true) {
    if (after ? j + 1 >= tr.samples.size() : j == 0) return {};
    j = after ? j + 1 : j - 1;
    if (std::abs(tr.samples[j].t - tr.samples[k].t) >= 3e-3) break;
  }
  const auto& a = tr.samples[after ? k : j];
  const auto& b = tr.samples[after ? j : k];
  const double dt = b.t - a.t;
  Vec v{(b.x - a.x) / dt, (b.y - a.y) / dt};
  const double speed = Norm(v);
  if (speed == 0.0) return v;
  const double corrected = speed + (after ? 1 : -1) * kFriction * dt / 2;
  return {v.x * corrected / speed, v.y * corrected / speed};
}

struct TwoStoneHit {
  sim::ShotOutcome out;
  double t = -1;  // time of the contact
  Vec striker_before, striker_after, struck_after;
  Vec normal;  // from the striker to the struck stone at contact
};

// Stone 0 at `target`; stone 7 delivered to pass `aim` with `power` to run.
TwoStoneHit PlayTwoStoneHit(Vec target, Vec aim, int curl, double power) {
  TwoStoneHit h;
  GameState s = EmptyState(7);
  s.Stones[0] = {static_cast<float>(target.x), static_cast<float>(target.y)};
  sim::RandomStream stream;
  h.out = sim::PlayShot(s, Hit(aim.x, aim.y, curl, power), 0.0f, stream, {}, 0.005f);
  int contacts = 0;
  for (const sim::ShotEvent& e : h.out.events) {
    if (e.kind != sim::EventKind::kCollision) continue;
    if (contacts++ == 0) h.t = e.t;
  }
  EXPECT_EQ(contacts, 1);
  const sim::StoneTrajectory* striker = FindTrajectory(h.out, 7);
  const sim::StoneTrajectory* struck = FindTrajectory(h.out, 0);
  if (striker == nullptr || struck == nullptr || h.t < 0) {
    ADD_FAILURE() << "no contact or no trajectories";
    return h;
  }
  h.striker_before = VelocityAt(*striker, h.t, false);
  h.striker_after = VelocityAt(*striker, h.t, true);
  h.struck_after = VelocityAt(*struck, h.t, true);
  Vec a, b;
  size_t k;
  EXPECT_TRUE(PositionAt(*striker, h.t, a, k));
  EXPECT_TRUE(PositionAt(*struck, h.t, b, k));
  h.normal = b - a;
  EXPECT_NEAR(Norm(h.normal), 2 * kStoneRadius, 2e-5) << "contact at the touching distance";
  h.normal = {h.normal.x / Norm(h.normal), h.normal.y / Norm(h.normal)};
  return h;
}

TEST(Collisions, ImpulseAlongTheLineOfCentresWithRestitution) {
  const Vec target{2.375, 6.0};
  for (int curl : {0, 1}) {
    for (double offset : {0.0, 0.08, -0.15, 0.22}) {
      for (double power : {3.0, 9.0}) {
        SCOPED_TRACE(testing::Message()
                     << "curl " << curl << " offset " << offset << " power " << power);
        const TwoStoneHit h = PlayTwoStoneHit(target, {target.x + offset, target.y}, curl, power);
        if (h.t < 0) continue;
        const Vec u = h.striker_before, u2 = h.striker_after, w = h.struck_after;
        // Equal masses: momentum is conserved.
        EXPECT_LT(Norm(u - (u2 + w)), 3e-3 * Norm(u));
        // The normal closing speed comes back reversed and scaled by e.
        const double vn_before = Dot(u, h.normal);
        const double vn_after = Dot(w - u2, h.normal);
        EXPECT_NEAR(vn_after, kRestitution * vn_before, 3e-3 * Norm(u));
        // No tangential friction: the struck stone leaves along the normal
        // and the striker keeps its tangential speed.
        EXPECT_LT(std::abs(w.x * h.normal.y - w.y * h.normal.x), 3e-3 * Norm(u));
        const Vec tangent{-h.normal.y, h.normal.x};
        EXPECT_NEAR(Dot(u2, tangent), Dot(u, tangent), 3e-3 * Norm(u));
        if (offset == 0.0) {
          // Nearly head-on: the struck stone takes (1 + e) / 2 of the speed.
          EXPECT_NEAR(Norm(w) / Norm(u), (1 + kRestitution) / 2, 0.01);
          EXPECT_LT(Norm(u2) / Norm(u), 0.1);
        }
      }
    }
  }
}

TEST(Collisions, StruckStoneRunsStraightToWhereItsSpeedTakesIt) {
  for (int curl : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "curl " << curl);
    const TwoStoneHit h = PlayTwoStoneHit({2.2, 7.0}, {2.32, 7.0}, curl, 4.0);
    const sim::StoneTrajectory* struck = FindTrajectory(h.out, 0);
    ASSERT_NE(struck, nullptr);
    const auto& s = struck->samples;
    ASSERT_GE(s.size(), 3u);
    // Every sample lies on the chord from the first to the last.
    const Vec a{s.front().x, s.front().y}, b{s.back().x, s.back().y};
    const Vec d = b - a;
    for (const auto& p : s) {
      const double off = ((p.x - a.x) * d.y - (p.y - a.y) * d.x) / Norm(d);
      EXPECT_LT(std::abs(off), 2e-5) << "t=" << p.t;
    }
    // A straight path of v^2 / 2a, taking v / a.
    const double v = Norm(h.struck_after);
    EXPECT_NEAR(Norm(d), v * v / (2 * kFriction), 2e-3);
    EXPECT_NEAR(s.back().t - s.front().t, v / kFriction, 0.03);
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
    bool frozen = false;  // stones left touching
  };
  const Case cases[] = {
      {"chain of three", {{0, {2.375f, 7.0f}}, {1, {2.39f, 6.3f}}}, 2, {2.375, 7.0}, 4.0, 2},
      {"raise into the house", {{0, {2.5f, 9.0f}}}, 5, {2.5, 9.0}, 3.0, 1},
      {"raise onto a house stone", {{0, {2.3f, 8.8f}}, {1, {2.25f, 5.3f}}}, 6, {2.3, 8.8}, 6.0, 2},
      {"double takeout", {{1, {1.9f, 5.0f}}, {3, {2.75f, 4.7f}}}, 4, {2.05, 5.0}, 12.0, 2},
      // A stone frozen onto two others: its contacts with both arise at the
      // same instant and are resolved pair by pair in index order.
      {"frozen triangle",
       {{0, {2.375f, 6.0f}}, {2, {2.23f, 5.74885f}}, {4, {2.52f, 5.74885f}}},
       7,
       {2.375, 6.0},
       5.0,
       3,
       true},
      {"frozen row",
       {{0, {2.375f, 6.0f}}, {1, {2.375f, 5.71f}}, {2, {2.375f, 5.42f}}},
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
      sim::RandomStream stream;
      const sim::ShotOutcome out = sim::PlayShot(s, shot, 0.0f, stream);
      int contacts = 0;
      for (const auto& e : out.events)
        contacts += e.kind == sim::EventKind::kCollision;
      EXPECT_GE(contacts, c.min_contacts);
      const reference::ReferenceResult ref = Reference(s, shot);
      // Frozen stones that come to rest together bump many times at ever
      // smaller speeds; how many bumps a finite search resolves differs, the
      // rest points do not.
      if (!c.frozen) {
        EXPECT_EQ(ref.collisions, contacts);
      }
      EXPECT_LT(MaxStoneDistance(out.final_state, ref.final_state), 1e-3);
      // Every stone that took part moved.
      for (const auto& [index, pos] : c.stones) {
        EXPECT_TRUE(out.final_state.Stones[index].x != pos.x ||
                    out.final_state.Stones[index].y != pos.y)
            << "stone " << index;
      }
    }
  }
}

TEST(Collisions, SingleCollisionShotsAgreeWithTheReferenceWithinOneMillimetre) {
  const Vec targets[] = {{2.375, 5.0}, {1.8, 6.5}, {3.0, 4.2}, {2.2, 8.5}};
  int checked = 0, single = 0, n = 0;
  double worst = 0.0;
  for (const Vec& target : targets) {
    for (double offset : {-0.2, -0.1, 0.0, 0.1, 0.2}) {
      for (double power : {2.0, 7.0, 12.0}) {
        for (int curl : {0, 1}) {
          if (kReduced && n++ % 4 != 0) continue;
          SCOPED_TRACE(testing::Message() << "target " << target.x << ", " << target.y << " offset "
                                          << offset << " power " << power << " curl " << curl);
          GameState s = EmptyState(7);
          s.Stones[2] = {static_cast<float>(target.x), static_cast<float>(target.y)};
          const ShotVector shot = Hit(target.x + offset, target.y, curl, power);
          const reference::ReferenceResult ref = Reference(s, shot);
          ++checked;
          if (ref.collisions != 1) continue;
          ++single;
          const double d = MaxStoneDistance(Simulate(s, shot), ref.final_state);
          worst = std::max(worst, d);
          EXPECT_LT(d, 1e-3);
        }
      }
    }
  }
  EXPECT_GT(single, checked * 3 / 4);
  RecordProperty("worst_mm", std::to_string(worst * 1e3));
}

}  // namespace
}  // namespace curling::simtest
