#include "suite/candidates.h"

#include <cassert>
#include <cmath>

#include "curling_simulator/rink.h"
#include "curling_simulator/simulator_exports.h"

namespace curling::suite {
namespace {

using sim::kHogLineY;
using sim::kHouseRadius;
using sim::kSheetWidth;
using sim::kStoneRadius;
using sim::kTeeY;

// Draws rest from the back of the house to just short of the hog line,
// across the sheet but for a stone's width at each side.
constexpr float kDrawBackY = static_cast<float>(kTeeY - kHouseRadius - kStoneRadius);
constexpr float kDrawFrontY = static_cast<float>(kHogLineY - 2 * kStoneRadius);
constexpr float kDrawSideMargin = static_cast<float>(2 * kStoneRadius);
// Stones nearer the delivery point than this are never hit (nothing stops
// there in play).
constexpr float kHittableFrontY = static_cast<float>(kHogLineY + 1.0);
constexpr float kThrowAwayY = 16.0f;

bool Made(const Delivery& d) {
  return d.shot.vx != 0.0f || d.shot.vy != 0.0f;
}

void AddIfMade(std::vector<Delivery>& out, Delivery d) {
  if (Made(d)) out.push_back(d);
}

}  // namespace

GridSettings GridSettings::Refined(int factor) const {
  assert(factor >= 1);
  GridSettings g = *this;
  g.draw_step /= static_cast<float>(factor);
  g.hit_offset /= static_cast<float>(factor);
  g.hit_offsets *= factor;
  std::vector<float> powers;
  for (size_t i = 0; i < hit_powers.size(); ++i) {
    powers.push_back(hit_powers[i]);
    if (i + 1 == hit_powers.size()) break;
    // Geometric steps between neighbouring weights.
    const float ratio = hit_powers[i + 1] / hit_powers[i];
    for (int k = 1; k < factor; ++k)
      powers.push_back(hit_powers[i] * std::pow(ratio, static_cast<float>(k) / factor));
  }
  g.hit_powers = std::move(powers);
  return g;
}

Delivery DrawTo(float x, float y, int curl) {
  Delivery d;
  d.kind = "draw";
  d.x = x;
  d.y = y;
  CreateShot(AimPoint{x, y, static_cast<uint8_t>(curl), {}}, &d.shot);
  return d;
}

Delivery HitAt(float x, float y, float power, int curl) {
  Delivery d;
  d.kind = "hit";
  d.x = x;
  d.y = y;
  d.power = power;
  CreateHitShot(AimPoint{x, y, static_cast<uint8_t>(curl), {}}, power, &d.shot);
  return d;
}

Delivery ThrowAway() {
  Delivery d = DrawTo(static_cast<float>(sim::kTeeX), kThrowAwayY, 0);
  d.kind = "throw-away";
  return d;
}

std::vector<Delivery> DenseSet(const GameState& state, const GridSettings& grid) {
  assert(grid.draw_step > 0.0f && grid.hit_offset > 0.0f);
  std::vector<Delivery> out;
  const int columns = static_cast<int>((kSheetWidth - 2 * kDrawSideMargin) / grid.draw_step);
  const int rows = static_cast<int>((kDrawFrontY - kDrawBackY) / grid.draw_step);
  const float left = static_cast<float>(sim::kTeeX) - columns * grid.draw_step / 2;
  for (int curl = 0; curl < 2; ++curl) {
    for (int r = 0; r <= rows; ++r) {
      for (int c = 0; c <= columns; ++c)
        AddIfMade(out, DrawTo(left + c * grid.draw_step, kDrawBackY + r * grid.draw_step, curl));
    }
  }
  for (int i = 0; i < state.ShotNum && i < 16; ++i) {
    const StonePosition& s = state.Stones[i];
    if ((s.x == 0.0f && s.y == 0.0f) || s.y > kHittableFrontY) continue;
    for (int curl = 0; curl < 2; ++curl) {
      for (int k = -grid.hit_offsets; k <= grid.hit_offsets; ++k) {
        for (const float power : grid.hit_powers)
          AddIfMade(out, HitAt(s.x + k * grid.hit_offset, s.y, power, curl));
      }
    }
  }
  AddIfMade(out, ThrowAway());
  return out;
}

std::vector<Delivery> Around(const Delivery& centre, const GridSettings& grid, float spacing) {
  std::vector<Delivery> out;
  const int curl = centre.shot.curl;
  if (centre.kind == "draw") {
    const float step = grid.draw_step * spacing;
    for (int dy = -2; dy <= 2; ++dy) {
      for (int dx = -2; dx <= 2; ++dx) {
        if (dx == 0 && dy == 0) continue;
        AddIfMade(out, DrawTo(centre.x + dx * step, centre.y + dy * step, curl));
      }
    }
  } else if (centre.kind == "hit") {
    const float step = grid.hit_offset * spacing;
    for (int k = -2; k <= 2; ++k) {
      for (const float scale : {0.8f, 1.0f, 1.25f}) {
        if (k == 0 && scale == 1.0f) continue;
        const float power = centre.power * std::pow(scale, spacing * 2.0f);
        AddIfMade(out, HitAt(centre.x + k * step, centre.y, power, curl));
      }
    }
  }
  return out;
}

bool SameRegion(const Delivery& a, const Delivery& b, const GridSettings& grid) {
  if (a.kind != b.kind || a.shot.curl != b.shot.curl) return false;
  if (a.kind == "draw") {
    return std::abs(a.x - b.x) <= grid.draw_step * 1.01f &&
           std::abs(a.y - b.y) <= grid.draw_step * 1.01f;
  }
  if (a.kind == "hit") {
    const bool near_aim = std::abs(a.x - b.x) <= grid.hit_offset * 1.01f && a.y == b.y;
    const bool near_weight = std::max(a.power, b.power) <= 2.1f * std::min(a.power, b.power);
    return near_aim && near_weight;
  }
  return true;
}

}  // namespace curling::suite
