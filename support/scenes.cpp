#include "support/scenes.h"

#include <cmath>

namespace curling::scenes {
namespace {

constexpr float kTeeX = 2.375f;
constexpr float kTeeY = 4.88f;
constexpr double kMinSeparation = 0.30;  // a stone diameter and a centimetre

bool Overlaps(const GameState& s, int count, double x, double y) {
  for (int i = 0; i < count; ++i) {
    if (std::hypot(s.Stones[i].x - x, s.Stones[i].y - y) < kMinSeparation) return true;
  }
  return false;
}

// Half the stones in or touching the house, half spread over the guard zone.
void PlaceStones(GameState& s, int count, SceneRandom& rng) {
  for (int i = 0; i < count; ++i) {
    double x, y;
    do {
      if (rng.Next() % 2 == 0) {
        const double r = 1.9 * std::sqrt(rng.Uniform(0.0, 1.0));
        const double phi = rng.Uniform(0.0, 6.283185307179586);
        x = kTeeX + r * std::cos(phi);
        y = kTeeY + r * std::sin(phi);
      } else {
        x = rng.Uniform(0.6, 4.15);
        y = rng.Uniform(6.9, 10.9);
      }
    } while (y < 3.3 || Overlaps(s, i, x, y));
    s.Stones[i] = {static_cast<float>(x), static_cast<float>(y)};
  }
}

}  // namespace

uint64_t SceneRandom::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double SceneRandom::Uniform(double lo, double hi) {
  return lo + (hi - lo) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

std::vector<Scene> MakeScenes(int stones_in_play, ShotKind kind, int count, uint64_t seed) {
  SceneRandom rng(seed * 1000003u + static_cast<uint64_t>(stones_in_play) * 17u +
                  (kind == ShotKind::kHit ? 1u : 0u));
  std::vector<Scene> scenes;
  scenes.reserve(count);
  for (int n = 0; n < count; ++n) {
    Scene sc;
    sc.kind = kind;
    sc.state.ShotNum = stones_in_play;
    sc.state.CurEnd = 3;
    sc.state.LastEnd = 8;
    sc.state.NextSide = 1;
    PlaceStones(sc.state, stones_in_play, rng);
    sc.aim.curl = static_cast<uint8_t>(rng.Next() % 2);
    if (kind == ShotKind::kDraw) {
      sc.aim.x = static_cast<float>(rng.Uniform(1.2, 3.55));
      sc.aim.y = static_cast<float>(rng.Uniform(3.6, 10.5));
    } else if (stones_in_play > 0) {
      const StonePosition& target = sc.state.Stones[rng.Next() % stones_in_play];
      sc.aim.x = target.x;
      sc.aim.y = target.y;
      sc.power = rng.Next() % 2 == 0 ? 12.0f : 7.0f;
    } else {
      sc.aim.x = static_cast<float>(rng.Uniform(1.5, 3.25));
      sc.aim.y = static_cast<float>(rng.Uniform(3.6, 8.0));
      sc.power = static_cast<float>(rng.Uniform(2.0, 12.0));
    }
    scenes.push_back(sc);
  }
  return scenes;
}

}  // namespace curling::scenes
