#include "search/strong/time_plan.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>

namespace curling::strong {
namespace {

constexpr int kStonesPerEnd = 16;
constexpr int kFirstDecidingShot = 12;  // each side's last two stones
constexpr double kDecidingWeight = 2.0;
constexpr double kEndWeight = 6 * 1.0 + 2 * kDecidingWeight;  // one side's eight stones
constexpr double kExtraEndReserve = 0.5 * kEndWeight;
constexpr double kCloseGameFactor = 1.25;   // within two points
constexpr double kSettledGameFactor = 0.6;  // five or more apart
constexpr double kPlannedShare = 0.8;       // of the budget left, spread over the stones left
constexpr double kLargestShare = 0.25;      // of the budget left, for any one shot
constexpr double kAnswerMargin = 0.2;       // seconds kept for the reply to reach the server

double ShotWeight(int shot) {
  return shot >= kFirstDecidingShot ? kDecidingWeight : 1.0;
}

// Weight of this side's stones from `shot` to the end of the game.
double WeightLeft(int shot, int ends_left) {
  assert(ends_left >= 0);  // SituationOf never counts fewer
  double weight = 0.0;
  for (int s = std::clamp(shot, 0, kStonesPerEnd); s < kStonesPerEnd; s += 2)
    weight += ShotWeight(s);
  return weight + kEndWeight * ends_left + kExtraEndReserve;
}

double SafeShare(double seconds, double own_left) {
  const double usable = std::max(0.0, own_left - kAnswerMargin);
  const double share = std::clamp(seconds, 0.0, usable * kLargestShare);
  // A number (never a NaN, which would pass the clamp) within the budget.
  assert(share >= 0.0 && share <= usable * kLargestShare);
  return share;
}

}  // namespace

double PlanShotSeconds(const TimeControl& control, const GameState& state,
                       const GameSituation& situation) {
  const bool budget_known = control.own_left && std::isfinite(*control.own_left);
  if (control.shot_seconds) {
    // The command line holds --shot-time to kMostShotSeconds.
    assert(*control.shot_seconds <= kMostShotSeconds);
    return budget_known ? SafeShare(*control.shot_seconds, *control.own_left)
                        : *control.shot_seconds;
  }
  if (!budget_known) return kDefaultShotSeconds;
  const double own_left = std::max(0.0, *control.own_left);
  double weight = ShotWeight(state.ShotNum);
  const int margin = std::abs(situation.lead);
  if (margin <= 2) weight *= kCloseGameFactor;
  if (margin >= 5) weight *= kSettledGameFactor;
  const double planned =
      own_left * kPlannedShare * weight / WeightLeft(state.ShotNum, situation.ends_left);
  return std::min(SafeShare(planned, own_left), kMostShotSeconds);
}

}  // namespace curling::strong
