#include "eval/stone_queries.h"

#include <cmath>

#include <cassert>

#include "game/rink.h"

namespace curling {
namespace {

constexpr float kCorridorDepth = 3.0f;  // greatest gap for the corridor tests

// Square roots and arctangents are taken in double of the single-precision
// argument and rounded back; every other step is single precision.
float RootOf(float value) {
  return static_cast<float>(std::sqrt(static_cast<double>(value)));
}
float ArctanOf(float value) {
  return static_cast<float>(std::atan(static_cast<double>(value)));
}

// Distance from the delivery point of a point at offset (ax, ay) from it.
float DistanceFromDelivery(float ax, float ay) {
  const float xx = ax * ax;
  const float yy = ay * ay;
  const float sum = xx + yy;
  return RootOf(sum);
}

// Bearing from the delivery point as the arctangent of the slope ay / ax.
float SlopeBearing(float ax, float ay) {
  const float slope = ay / ax;
  return ArctanOf(slope);
}

// Bearing from the delivery point measured from the centre line: the
// arctangent of the x-offset over the distance along the sheet. It orders
// points in front of the delivery point as the slope bearing does, but has no
// break where the offset changes sign.
float CentreLineBearing(float ax, float ay) {
  const float along = -ay;
  const float ratio = ax / along;
  return ArctanOf(ratio);
}

// The delivery corridor of a point or stone: the bearings strictly between
// those of its two sides, ax - radius and ax + radius. With slope bearings the
// corridor of anything within a stone radius of the centre line would be
// empty (the slope flips sign between the two sides); there, and only there,
// the bounds and the bearings compared with them are measured from the centre
// line instead.
struct Corridor {
  float lower;
  float upper;
  bool from_centre_line;
};

Corridor CorridorOf(float ax, float ay) {
  const float left = ax - kStoneRadius;
  const float right = ax + kStoneRadius;
  const float lower = SlopeBearing(left, ay);
  const float upper = SlopeBearing(right, ay);
  if (lower < upper) return {lower, upper, false};
  return {CentreLineBearing(left, ay), CentreLineBearing(right, ay), true};
}

bool InCorridor(const Corridor& corridor, float ax, float ay) {
  const float bearing =
      corridor.from_centre_line ? CentreLineBearing(ax, ay) : SlopeBearing(ax, ay);
  return corridor.lower < bearing && bearing < corridor.upper;
}

float SquaredDistanceFromTee(float x, float y) {
  const float dx = x - kTeeX;
  const float dy = y - kTeeY;
  const float xx = dx * dx;
  const float yy = dy * dy;
  return xx + yy;
}

bool InPlayForNearest(const StonePosition& stone) {
  return stone.x != 0.0f && stone.y != 0.0f;
}

}  // namespace

bool IsInHouse(float x, float y) {
  constexpr float kLimitSquared = kScoringLimit * kScoringLimit;
  return kLimitSquared > SquaredDistanceFromTee(x, y);
}

bool HasStoneNear(const GameState& state, int side, float x, float y, float radius) {
  if (side != 0 && side != 1) return false;
  const int thrown = ThrownStones(state);
  const float radius_squared = radius * radius;
  for (int i = side; i < thrown; i += 2) {
    const float dx = state.Stones[i].x - x;
    const float dy = state.Stones[i].y - y;
    const float xx = dx * dx;
    const float yy = dy * dy;
    const float sum = xx + yy;
    if (radius_squared > sum) return true;
  }
  return false;
}

bool IsGuarded(const GameState& state, float x, float y) {
  const float ax = x - kDeliveryX;
  const float ay = y - kDeliveryY;
  const float distance = DistanceFromDelivery(ax, ay);
  const float nearest_gap = distance - kStoneDiameter;
  const float farthest_gap = distance - kCorridorDepth;
  const Corridor corridor = CorridorOf(ax, ay);
  const int thrown = ThrownStones(state);
  for (int i = 0; i < thrown; ++i) {
    const float sx = state.Stones[i].x - kDeliveryX;
    const float sy = state.Stones[i].y - kDeliveryY;
    const float stone_distance = DistanceFromDelivery(sx, sy);
    if (InCorridor(corridor, sx, sy) && nearest_gap > stone_distance &&
        stone_distance > farthest_gap) {
      return true;
    }
  }
  return false;
}

bool IsGuarding(const GameState& state, int side, float x, float y) {
  if (side != 0 && side != 1) return false;
  const float ax = x - kDeliveryX;
  const float ay = y - kDeliveryY;
  const float distance = DistanceFromDelivery(ax, ay);
  const int thrown = ThrownStones(state);
  for (int i = side; i < thrown; i += 2) {
    const float sx = state.Stones[i].x - kDeliveryX;
    const float sy = state.Stones[i].y - kDeliveryY;
    const float stone_distance = DistanceFromDelivery(sx, sy);
    const float nearest_gap = stone_distance - kStoneDiameter;
    const float farthest_gap = stone_distance - kCorridorDepth;
    if (InCorridor(CorridorOf(sx, sy), ax, ay) && nearest_gap > distance &&
        distance > farthest_gap) {
      return true;
    }
  }
  return false;
}

int NearestStone(const GameState& state, int k, StonePosition* position) {
  // Stones in play sorted by squared distance from the tee, nearest first;
  // equal distances keep index order. Entries past `filled` are empty (0, 0).
  StonePosition sorted[kStoneCount] = {};
  float sorted_distance[kStoneCount] = {};
  int filled = 0;
  const int thrown = ThrownStones(state);
  for (int j = 0; j < thrown; ++j) {
    const StonePosition stone = state.Stones[j];
    if (!InPlayForNearest(stone)) continue;
    const float d2 = SquaredDistanceFromTee(stone.x, stone.y);
    assert(filled < kStoneCount);  // room for this stone: at most 16 are thrown
    int p = 0;
    while (p < filled && !(sorted_distance[p] > d2))
      ++p;
    for (int e = filled; e > p; --e) {
      sorted[e] = sorted[e - 1];
      sorted_distance[e] = sorted_distance[e - 1];
    }
    sorted[p] = stone;
    sorted_distance[p] = d2;
    ++filled;
  }
  assert(filled <= thrown);
  if (k < 0 || k >= kStoneCount) {
    *position = StonePosition{0.0f, 0.0f};
    return -1;
  }
  *position = sorted[k];
  for (int j = 0; j < thrown; ++j) {
    const StonePosition stone = state.Stones[j];
    if (!InPlayForNearest(stone)) continue;
    if (stone.x == sorted[k].x && stone.y == sorted[k].y) return j % 2;
  }
  return -1;
}

}  // namespace curling
