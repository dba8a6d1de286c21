#include "learn/position_sampler.h"

#include <cassert>
#include <cmath>
#include <vector>

#include "game/rink.h"
#include "game/simulator_binding.h"
#include "search/strong/candidate_shots.h"
#include "search/strong/game_situation.h"
#include "search/strong/noise_stream.h"

namespace curling::learn {
namespace {

// Where random stones go: the house (the scoring limit) and the guard zone
// between it and the hog line, within reach of the centre line.
constexpr float kGuardZoneFront = 10.8f;
constexpr float kGuardZoneHalfWidth = 1.3f;
constexpr double kInPlayShare = 0.6;
constexpr double kHouseShare = 0.6;
constexpr int kPlacementTries = 20;

bool Overlaps(const GameState& state, int count, float x, float y) {
  for (int i = 0; i < count; ++i) {
    const StonePosition& s = state.Stones[i];
    if (!IsInPlay(s)) continue;
    const float dx = s.x - x;
    const float dy = s.y - y;
    if (dx * dx + dy * dy < kStoneDiameter * kStoneDiameter) return true;
  }
  return false;
}

StonePosition RandomSpot(strong::NoiseStream& noise) {
  if (noise.Uniform() < kHouseShare) {
    // Uniform over the disc of the scoring limit.
    const double r = kScoringLimit * std::sqrt(noise.Uniform());
    const double a = 2.0 * M_PI * noise.Uniform();
    return {static_cast<float>(kTeeX + r * std::cos(a)),
            static_cast<float>(kTeeY + r * std::sin(a))};
  }
  const float x = kTeeX + kGuardZoneHalfWidth * static_cast<float>(2.0 * noise.Uniform() - 1.0);
  const float front = kTeeY + kScoringLimit;
  const float y = front + (kGuardZoneFront - front) * static_cast<float>(noise.Uniform());
  return {x, y};
}

}  // namespace

PositionSampler::PositionSampler(const PositionMix& mix, const strong::DeliveryErrorModel& error)
    : mix_(mix), error_(error) {}

GameState PositionSampler::Sample(int shot, uint64_t key) const {
  assert(shot >= 0 && shot < kStoneCount);
  strong::NoiseStream noise(key);
  return noise.Uniform() < mix_.random_share ? Placed(shot, noise.NextBits())
                                             : PlayedOut(shot, noise.NextBits());
}

GameState PositionSampler::PlayedOut(int shot, uint64_t key) const {
  strong::NoiseStream noise(key);
  GameState state{};
  // The policy plays for a game situation: a random one, so that both its
  // aggressive and its careful choices are seen.
  const strong::GameSituation situation{noise.Below(7) - 3, noise.Below(8)};
  const strong::GameSituation other{-situation.lead, situation.ends_left};
  while (state.ShotNum < shot) {
    ShotVector delivery{};
    if (noise.Uniform() < mix_.candidate_share) {
      const std::vector<strong::CandidateShot> candidates = strong::GenerateCandidates(state);
      delivery =
          candidates.empty()
              ? book_.Button(noise.Below(2))
              : candidates[static_cast<size_t>(noise.Below(static_cast<int>(candidates.size())))]
                    .shot;
    } else {
      const bool first_side = SideToThrow(state.ShotNum) == 0;
      delivery = strong::PolicyShot(state, first_side ? situation : other, book_, noise);
    }
    [[maybe_unused]] const int before = state.ShotNum;
    Simulation(&state, error_.Apply(delivery, noise), 0.0f, nullptr, -1);
    assert(state.ShotNum == before + 1);
  }
  return state;
}

GameState PositionSampler::Placed(int shot, uint64_t key) const {
  strong::NoiseStream noise(key);
  GameState state{};
  state.ShotNum = shot;
  for (int i = 0; i < shot; ++i) {
    if (noise.Uniform() >= kInPlayShare) continue;
    for (int attempt = 0; attempt < kPlacementTries; ++attempt) {
      const StonePosition spot = RandomSpot(noise);
      if (!Overlaps(state, i, spot.x, spot.y)) {
        state.Stones[i] = spot;
        break;
      }
    }
  }
  return state;
}

}  // namespace curling::learn
