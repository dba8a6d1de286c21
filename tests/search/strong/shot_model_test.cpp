// The search's shot model against the real library: the modelled delivery
// error moves a draw's rest point as far as the error says, and the candidate
// list holds every kind of shot for both curls (and firm hits when asked),
// the deliveries near a chosen one lie where the error would put them, and
// deliveries played together are each what it would be alone.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "search/strong/candidate_shots.h"
#include "search/strong/delivery_error_model.h"
#include "search/strong/delivery_value.h"
#include "search/strong/nearby_deliveries.h"
#include "search/strong/shot_making.h"
#include "tests/search/strong/strong_test_support.h"

namespace curling::strong {
namespace {

constexpr float kTeeX = 2.375f;
constexpr float kTeeY = 4.88f;
constexpr double kDeliveryY = 41.28;

double Distance(double ax, double ay, double bx, double by) {
  return std::hypot(ax - bx, ay - by);
}

TEST(ShotModelTest, ErrorMovesTheRestPointByItsSize) {
  LoadRealLibrary();
  const DeliveryErrorModel error(0.145, DeliveryErrorModel::MeasureDeceleration());
  const GameState empty = Position(0, 0, 7, {});
  const ShotVector draw = DrawTo(kTeeX, kTeeY, 1);
  const StonePosition aimed = Played(empty, draw).Stones[0];
  ASSERT_NEAR(Distance(aimed.x, aimed.y, kTeeX, kTeeY), 0.0, 1e-3);
  struct Case {
    double along;
    double across;
    double farther;  // change of the distance from the delivery point
  };
  for (const Case& c : {Case{1.0, 0.0, 0.145}, Case{-2.0, 0.0, -0.29}, Case{0.0, 1.0, 0.0}}) {
    const StonePosition s = Played(empty, error.Apply(draw, c.along, c.across)).Stones[0];
    EXPECT_NEAR(Distance(s.x, s.y, kTeeX, kTeeY), 0.145 * std::hypot(c.along, c.across), 0.01)
        << c.along << " " << c.across;
    EXPECT_NEAR(Distance(s.x, s.y, kTeeX, kDeliveryY) - Distance(kTeeX, kTeeY, kTeeX, kDeliveryY),
                c.farther, 0.01)
        << c.along << " " << c.across;
  }
  // The stream's normal draws have the right spread.
  NoiseStream noise(7);
  double sum = 0.0;
  double squares = 0.0;
  constexpr int kDraws = 20000;
  for (int i = 0; i < kDraws; ++i) {
    const double z = noise.Normal();
    sum += z;
    squares += z * z;
  }
  EXPECT_NEAR(sum / kDraws, 0.0, 0.03);
  EXPECT_NEAR(squares / kDraws, 1.0, 0.05);
}

// More deliveries than are played at once, of every candidate of a crowded
// position: each is the single call's on the shot with its error, and each
// counts as a simulation.
TEST(ShotModelTest, DeliveriesPlayedTogetherAreEachTheSingleCallsPosition) {
  LoadRealLibrary();
  const DeliveryErrorModel error(0.145, DeliveryErrorModel::MeasureDeceleration());
  const GameState start = Position(
      9, 3, 7,
      {{0, 2.3f, 4.9f}, {1, 2.6f, 5.4f}, {2, 2.0f, 6.5f}, {3, 2.4f, 7.2f}, {5, 1.8f, 4.3f}});
  std::vector<DeliverySample> samples;
  uint64_t key = 5;
  for (const CandidateShot& c : GenerateCandidates(start, HitWeights::kWithFirm)) {
    for (int s = 0; s < 3; ++s)
      samples.push_back({c.shot, key++});
  }
  ASSERT_GT(samples.size(), 40u);
  std::vector<GameState> together(samples.size());
  const uint64_t calls_before = LibraryCalls().simulations;
  PlayDeliveries(start, error, samples, together.data());
  EXPECT_EQ(LibraryCalls().simulations - calls_before, samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    NoiseStream noise(samples[i].key);
    const GameState alone = Played(start, error.Apply(samples[i].shot, noise));
    ASSERT_EQ(0, std::memcmp(&alone, &together[i], sizeof(GameState))) << i;
  }
}

TEST(ShotModelTest, CandidatesHoldEveryKindForBothCurls) {
  LoadRealLibrary();
  // Shot 9 (the side with the last stone): its guard and a stone in the
  // house, two opponent stones in the house one behind the other, an opponent
  // guard.
  const GameState state = Position(
      9, 3, 7,
      {{1, 2.0f, 7.6f}, {3, 3.0f, 5.4f}, {0, 2.3f, 5.0f}, {2, 2.35f, 4.0f}, {4, 2.8f, 8.1f}});
  std::set<std::pair<ShotKind, int>> seen;
  for (const CandidateShot& c : GenerateCandidates(state)) {
    seen.insert({c.kind, c.shot.curl});
    if (c.target >= 0) {
      EXPECT_LT(c.target, 9) << ShotKindName(c.kind);
    }
  }
  for (ShotKind kind :
       {ShotKind::kDraw, ShotKind::kGuard, ShotKind::kFreeze, ShotKind::kTap, ShotKind::kHit,
        ShotKind::kHitAndRoll, ShotKind::kRaise, ShotKind::kPeel, ShotKind::kDouble}) {
    for (int curl = 0; curl < 2; ++curl) {
      EXPECT_TRUE(seen.count({kind, curl})) << ShotKindName(kind) << " curl " << curl;
    }
  }
  EXPECT_TRUE(seen.count({ShotKind::kThrowAway, 0}));

  // Firm hits come after the called candidates, which stay as they were: two
  // weights for both curls on each of the five stones, all far faster than
  // any called weight.
  const std::vector<CandidateShot> called = GenerateCandidates(state);
  const std::vector<CandidateShot> firm = GenerateCandidates(state, HitWeights::kWithFirm);
  ASSERT_EQ(firm.size(), called.size() + 5 * 2 * 2);
  double fastest_called = 0.0;
  for (size_t i = 0; i < called.size(); ++i) {
    EXPECT_EQ(firm[i].shot.vx, called[i].shot.vx);
    EXPECT_EQ(firm[i].shot.vy, called[i].shot.vy);
    fastest_called =
        std::max<double>(fastest_called, std::hypot(called[i].shot.vx, called[i].shot.vy));
  }
  for (size_t i = called.size(); i < firm.size(); ++i) {
    EXPECT_GT(std::hypot(firm[i].shot.vx, firm[i].shot.vy), fastest_called);
    const int side = firm[i].target % 2;  // shot 9: the side to throw has the odd stones
    EXPECT_EQ(firm[i].kind, side == 1 ? ShotKind::kPeel : ShotKind::kHit) << firm[i].target;
  }
}

TEST(ShotModelTest, NearbyDeliveriesAreTheErrorsGridAroundTheChoice) {
  LoadRealLibrary();
  const DeliveryErrorModel error(0.145, DeliveryErrorModel::MeasureDeceleration());
  const GameState empty = Position(0, 0, 7, {});
  const CandidateShot chosen{DrawTo(kTeeX, kTeeY, 0), ShotKind::kDraw, -1};
  const std::vector<CandidateShot> nearby = NearbyDeliveries(chosen, error);
  ASSERT_EQ(nearby.size(), kNearbyOffsets.size() * kNearbyOffsets.size());
  EXPECT_EQ(nearby[0].shot.vx, chosen.shot.vx);
  EXPECT_EQ(nearby[0].shot.vy, chosen.shot.vy);
  // Every rest point within the grid's reach of the tee, none twice.
  const double reach = 0.145 * std::hypot(kNearbyOffsets.back(), kNearbyOffsets.back());
  std::set<std::pair<float, float>> rests;
  for (const CandidateShot& c : nearby) {
    EXPECT_EQ(c.kind, ShotKind::kDraw);
    EXPECT_EQ(c.shot.curl, 0);
    const StonePosition s = Played(empty, c.shot).Stones[0];
    EXPECT_LE(Distance(s.x, s.y, kTeeX, kTeeY), reach + 0.01);
    rests.insert({s.x, s.y});
  }
  EXPECT_EQ(rests.size(), nearby.size());
  EXPECT_TRUE(NearbyDeliveries(chosen, DeliveryErrorModel(0.0, 1.0)).empty());
}

}  // namespace
}  // namespace curling::strong
