#include "search/strong/rollout_policy.h"

#include <cassert>
#include <iterator>

#include "game/rink.h"
#include "game/simulator_binding.h"
#include "search/strong/shot_making.h"
#include "search/strong/stone_layout.h"

namespace curling::strong {
namespace {

constexpr float kCentreGuardY = kTeeY + 2.6f;
constexpr float kCornerGuardDx = 0.9f;
constexpr float kFourFoot = 0.45f;
constexpr float kGuardSetBack = 2.0f;
constexpr int kLastShot = 15;
constexpr int kLateShot = 12;     // from here on nobody guards
constexpr int kOpeningShots = 8;  // guards into an empty house before this
constexpr double kHitChance = 0.7;
constexpr double kGuardOwnChance = 0.45;
constexpr double kCentreGuardChance = 0.6;
constexpr double kCornerGuardChance = 0.5;

int RandomCurl(NoiseStream& noise) {
  return noise.Below(2);
}

const ShotVector& RandomFourFoot(const ShotBook& book, NoiseStream& noise) {
  const int which = noise.Below(ShotBook::kFourFootDraws);
  return book.FourFoot(which, RandomCurl(noise));
}

// The last stone: the best of a few deliveries played without error.
ShotVector LastStone(const GameState& state, const StoneLayout& layout,
                     const GameSituation& situation, const ShotBook& book) {
  const int own = SideToThrow(state.ShotNum);
  ShotVector options[5];
  int n = 0;
  options[n++] = book.Button(0);
  options[n++] = book.Button(1);
  if (layout.ShotSide() == 1 - own) {
    options[n++] = HitAt(layout[0].x, layout[0].y, kTakeOutWeight, 0);
    options[n++] = HitAt(layout[0].x, layout[0].y, kTakeOutWeight, 1);
  } else {
    options[n++] = book.ThrowAway();
  }
  assert(n <= static_cast<int>(std::size(options)));
  ShotVector best = options[0];
  double best_value = -1.0;
  for (int i = 0; i < n; ++i) {
    GameState after = state;
    Simulation(&after, options[i], 0.0f, nullptr, -1);
    const double value = EndValue(situation, own, after);
    if (value > best_value) {
      best_value = value;
      best = options[i];
    }
  }
  return best;
}

}  // namespace

ShotBook::ShotBook() {
  constexpr float kFourFootSpots[kFourFootDraws][2] = {
      {0.0f, 0.2f}, {-kFourFoot, 0.0f}, {kFourFoot, 0.0f}, {0.0f, kFourFoot}, {0.0f, -0.3f}};
  for (int curl = 0; curl < 2; ++curl) {
    button_[curl] = DrawTo(kTeeX, kTeeY, curl);
    centre_guard_[curl] = DrawTo(kTeeX, kCentreGuardY, curl);
    corner_guards_[0][curl] = DrawTo(kTeeX - kCornerGuardDx, kCentreGuardY, curl);
    corner_guards_[1][curl] = DrawTo(kTeeX + kCornerGuardDx, kCentreGuardY, curl);
    for (int i = 0; i < kFourFootDraws; ++i) {
      four_foot_[i][curl] =
          DrawTo(kTeeX + kFourFootSpots[i][0], kTeeY + kFourFootSpots[i][1], curl);
    }
  }
  throw_away_ = ThrowAway();
}

ShotVector PolicyShot(const GameState& state, const GameSituation& situation, const ShotBook& book,
                      NoiseStream& noise) {
  const StoneLayout layout(state);
  const int shot = state.ShotNum;
  if (shot == kLastShot) return LastStone(state, layout, situation, book);
  const int own = SideToThrow(shot);
  const int shot_side = layout.ShotSide();
  const double r = noise.Uniform();
  if (shot_side == 1 - own) {
    if (r < kHitChance) return HitAt(layout[0].x, layout[0].y, kTakeOutWeight, RandomCurl(noise));
    return RandomFourFoot(book, noise);
  }
  if (shot_side == own) {
    if (shot < kLateShot && r < kGuardOwnChance) {
      return DrawInFrontOf(layout[0].x, layout[0].y, kGuardSetBack, RandomCurl(noise));
    }
    return RandomFourFoot(book, noise);
  }
  const bool hammer = own == 1;
  if (shot < kOpeningShots) {
    if (!hammer && r < kCentreGuardChance) return book.CentreGuard(RandomCurl(noise));
    if (hammer && r < kCornerGuardChance)
      return book.CornerGuard(noise.Below(2), RandomCurl(noise));
  }
  return RandomFourFoot(book, noise);
}

}  // namespace curling::strong
