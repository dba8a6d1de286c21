#include "search/default/candidate_generation.h"

#include <cassert>
#include <iterator>

#include "eval/draw_in_front.h"
#include "game/rink.h"
#include "game/simulator_binding.h"

namespace curling {
namespace {

constexpr float kFreezeDistance = kStoneDiameter;  // touching from the front
// Only stones more than a stone diameter behind the tee are frozen onto.
constexpr float kFreezeLimitY = kTeeY - kStoneDiameter;
static_assert(kFreezeLimitY == 4.59f);
constexpr float kGuardDistance = 1.5f;
constexpr float kHitPowerLevel = 12.0f;  // aims level with the stone
constexpr float kHitPowerFront = 7.0f;   // aims one diameter in front of the stone

struct HitRow {
  float dx;
  float dy;
  float power;
};

// Per stone, each row once with curl 0 and once with curl 1. Only the first
// row is used by the look-ahead's reply lists.
constexpr HitRow kHitPattern[] = {
    {0.0f, 0.0f, kHitPowerLevel},
    {0.0f, kStoneDiameter, kHitPowerFront},
    {kStoneRadius, 0.0f, kHitPowerLevel},
    {-kStoneRadius, 0.0f, kHitPowerLevel},
    {kStoneRadius, kStoneDiameter, kHitPowerFront},
    {-kStoneRadius, kStoneDiameter, kHitPowerFront},
};

AimPoint Aim(float x, float y, int curl) {
  return AimPoint{x, y, static_cast<uint8_t>(curl), {0, 0, 0}};
}

void AppendDrawsInFront(float x, float y, float distance, CandidateList& list) {
  for (int curl = 0; curl < 2; ++curl) {
    ShotVector shot{};
    CreateDrawInFront(curl, &shot, x, y, distance);
    list.Append(shot);
  }
}

void AppendFreezes(const GameState& state, CandidateList& list) {
  const int count = ThrownStones(state);
  for (int k = 0; k < count; ++k) {
    const StonePosition& stone = state.Stones[k];
    if (!IsInPlay(stone) || stone.y >= kFreezeLimitY) continue;
    AppendDrawsInFront(stone.x, stone.y, kFreezeDistance, list);
  }
}

void AppendHits(const GameState& state, bool top_level, CandidateList& list) {
  const int rows = top_level ? static_cast<int>(std::size(kHitPattern)) : 1;
  const int count = ThrownStones(state);
  for (int k = 0; k < count; ++k) {
    const StonePosition& stone = state.Stones[k];
    if (!IsInPlay(stone)) continue;
    for (int r = 0; r < rows; ++r) {
      const HitRow& row = kHitPattern[r];
      // Plain offsets on the stone's coordinates; a zero offset leaves the
      // coordinate as it is (even a -0.0).
      const float x = row.dx == 0.0f ? stone.x : stone.x + row.dx;
      const float y = row.dy == 0.0f ? stone.y : stone.y + row.dy;
      for (int curl = 0; curl < 2; ++curl) {
        ShotVector shot{};
        CreateHitShot(Aim(x, y, curl), row.power, &shot);
        list.Append(shot);
      }
    }
  }
}

// Every thrown stone, in play or not: the count of this pass is always twice
// the stones scanned, which the trial cut and the "ShotNum" text rely on.
void AppendGuards(const GameState& state, CandidateList& list) {
  [[maybe_unused]] const std::size_t before = list.Size();
  const int count = ThrownStones(state);
  for (int k = 0; k < count; ++k) {
    AppendDrawsInFront(state.Stones[k].x, state.Stones[k].y, kGuardDistance, list);
  }
  assert(list.Size() == before + 2 * static_cast<std::size_t>(count));
}

}  // namespace

void AppendGridDraws(int grid_points, float grid_width, CandidateList& list) {
  if (grid_points <= 0) return;
  const int n = grid_points;
  const float step = n == 1 ? 0.0f : grid_width / static_cast<float>(n - 1);
  const float x0 = kTeeX - grid_width * 0.5f;
  const float y0 = kTeeY - grid_width * 0.5f;
  for (int i = 0; i < n; ++i) {
    const float x = static_cast<float>(i) * step + x0;
    for (int j = 0; j < n; ++j) {
      const float y = static_cast<float>(j) * step + y0;
      for (int curl = 0; curl < 2; ++curl) {
        ShotVector shot{};
        CreateShot(Aim(x, y, curl), &shot);
        list.Append(shot);
      }
    }
  }
}

void AppendSearchCandidates(const GameState& state, int grid_points, float grid_width,
                            bool top_level, CandidateList& list) {
  assert(list.Size() == 0);
  const int shot = state.ShotNum;
  if (shot == 14) AppendFreezes(state, list);
  if (shot == 15) AppendGridDraws(grid_points, grid_width, list);
  AppendHits(state, top_level, list);
  if (shot != 15) AppendGridDraws(grid_points, grid_width, list);
  if (shot == 14) AppendGuards(state, list);
}

}  // namespace curling
