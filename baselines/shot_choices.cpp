#include "baselines/shot_choices.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "curling_simulator/rink.h"
#include "eval/scoring.h"
#include "game/rink.h"

namespace curling::baselines {

namespace {

constexpr float kHouseTopOffset = 1.2f;  // draw point in front of the tee

float DistanceToTee(const StonePosition& stone) {
  return std::hypot(stone.x - kTeeX, stone.y - kTeeY);
}

bool InPlay(const StonePosition& stone) {
  return IsInPlay(stone) && std::isfinite(stone.x) && std::isfinite(stone.y);
}

ShotVector Draw(const Physics& physics, float x, float y, uint8_t curl) {
  ShotVector shot{};
  physics.create_shot(AimPoint{x, y, curl, {}}, &shot);
  return shot;
}

ShotVector Hit(const Physics& physics, const StonePosition& target, uint8_t curl) {
  ShotVector shot{};
  physics.create_hit_shot(AimPoint{target.x, target.y, curl, {}}, kHitPower, &shot);
  return shot;
}

}  // namespace

ShotVector ChooseDrawToTee(const Physics& physics, std::mt19937_64& random) {
  const auto curl = static_cast<uint8_t>(random() & 1u);
  return Draw(physics, kTeeX, kTeeY, curl);
}

ShotVector ChooseRandomHouseDraw(const Physics& physics, std::mt19937_64& random) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  // Uniform over the disc: radius from the square root of a uniform draw.
  const double r = kHouseRadius * std::sqrt(unit(random));
  const double angle = 2.0 * std::numbers::pi * unit(random);
  const auto curl = static_cast<uint8_t>(random() & 1u);
  return Draw(physics, static_cast<float>(kTeeX + r * std::cos(angle)),
              static_cast<float>(kTeeY + r * std::sin(angle)), curl);
}

ShotVector ChooseGreedy(const GameState& state, const Physics& physics, int samples) {
  assert(samples > 0 && "ParseBaselineOptions takes only samples above 0");
  const int shot_num = std::clamp(state.ShotNum, 0, 15);
  const int side = shot_num % 2;

  std::vector<ShotVector> candidates;
  for (uint8_t curl : {uint8_t{0}, uint8_t{1}}) {
    candidates.push_back(Draw(physics, kTeeX, kTeeY, curl));
    candidates.push_back(Draw(physics, kTeeX, kTeeY + kHouseTopOffset, curl));
  }
  // The two thrown stones nearest the tee, within the scoring limit.
  std::vector<int> near;
  for (int i = 0; i < shot_num; ++i) {
    const StonePosition& s = state.Stones[i];
    if (InPlay(s) && DistanceToTee(s) < kScoringLimit) near.push_back(i);
  }
  std::sort(near.begin(), near.end(), [&](int a, int b) {
    return DistanceToTee(state.Stones[a]) < DistanceToTee(state.Stones[b]);
  });
  if (near.size() > 2) near.resize(2);
  for (int i : near) {
    for (uint8_t curl : {uint8_t{0}, uint8_t{1}}) {
      candidates.push_back(Hit(physics, state.Stones[i], curl));
    }
  }

  double best_mean = -std::numeric_limits<double>::infinity();
  ShotVector best = candidates.front();
  for (const ShotVector& candidate : candidates) {
    long total = 0;
    for (int n = 0; n < samples; ++n) {
      GameState copy = state;
      copy.ShotNum = shot_num;
      physics.simulation(&copy, candidate, sim::kMatchRandomError, nullptr, -1);
      total += ScorePosition(copy, side);
    }
    const double mean = static_cast<double>(total) / samples;
    if (mean > best_mean) {
      best_mean = mean;
      best = candidate;
    }
  }
  return best;
}

}  // namespace curling::baselines
