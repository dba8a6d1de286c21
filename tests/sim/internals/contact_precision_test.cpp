// Contacts found along curling paths are found with the gap between 0 and
// kContactPrecision, and at the time the paths say, also for oblique (cut)
// contacts, where a search that accepted any gap up to the contact gap once
// found them micrometres early.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/event_loop.h"

namespace curling::sim {
namespace {

constexpr double kPi = 3.141592653589793;

// Records the first collision: its time and both centres.
class FirstContact final : public ShotObserver {
 public:
  void MotionStarted(int, double, Vec2) override {}
  void Stepped(double, double, const FreePath*, const bool*) override {}
  void EventOccurred(EventKind kind, double t, int, int, Vec2 a, Vec2 b) override {
    if (kind != EventKind::kCollision || found) return;
    found = true;
    time = t;
    gap = std::hypot(a.x - b.x, a.y - b.y) - 2.0 * kStoneRadius;
  }
  bool found = false;
  double time = 0.0;
  double gap = 0.0;
};

TEST(ContactPrecision, CutsAreFoundWithinPrecisionOfTheTouchingPoint) {
  const CanonicalPath& path = CanonicalPath::Get();
  const Vec2 start{2.375, 41.0};
  const Vec2 down{0.0, -1.0};
  double worst_gap = 0.0;
  for (double cut_degrees : {30.0, 45.0, 60.0, 80.0}) {
    for (int spin : {-1, 1}) {
      for (double side : {-1.0, 1.0}) {
        for (double v_contact : {0.4, 1.2, 2.0}) {
          SCOPED_TRACE(testing::Message() << cut_degrees << " degrees, spin " << spin << ", side "
                                          << side << ", at " << v_contact << " m/s");
          // Where the moving stone is at that speed, and a stone touching it
          // there at the cut angle from its heading.
          FreePath motion;
          motion.Start(path, 0.0, start, down, 2.3, spin);
          const Vec2 p = motion.PositionAtSpeed(path, v_contact);
          const Vec2 d = motion.DirectionAtSpeed(path, v_contact);
          const double cut = cut_degrees * kPi / 180.0;
          const Vec2 across{-d.y * side, d.x * side};
          const double reach = 2.0 * kStoneRadius;
          const Vec2 other{p.x + reach * (std::cos(cut) * d.x + std::sin(cut) * across.x),
                           p.y + reach * (std::cos(cut) * d.y + std::sin(cut) * across.y)};

          FirstContact contact;
          EventLoop loop(path, &contact);
          loop.PlaceStone(0, other);
          loop.PlaceStone(1, start);
          loop.Launch(1, down, 2.3, spin);
          loop.Run();
          ASSERT_TRUE(contact.found);
          EXPECT_GE(contact.gap, 0.0);
          EXPECT_LE(contact.gap, kContactPrecision);
          worst_gap = std::fmax(worst_gap, contact.gap);
          // The gap closes at v cos(cut): the time is off by no more than the
          // precision takes to close.
          const double expected = motion.TimeAtSpeed(v_contact);
          EXPECT_NEAR(contact.time, expected,
                      1.01 * kContactPrecision / (v_contact * std::cos(cut)));
        }
      }
    }
  }
  RecordProperty("worst_gap_nm", static_cast<int>(worst_gap * 1e9));
}

}  // namespace
}  // namespace curling::sim
