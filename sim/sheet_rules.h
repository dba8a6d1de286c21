// Rules of play that depend on where stones lie: which input positions are
// in play, the free guard zone, the hog line.
#pragma once

#include <cmath>

#include "sim/physics_constants.h"

namespace curling::sim {

// A stone at exactly (0, 0) is out of play.
inline bool IsOutOfPlayMarker(float x, float y) {
  return x == 0.0f && y == 0.0f;
}

// Whether a stone given at (x, y) can be in play before a shot: finite, clear
// of both side lines by more than a radius, not wholly beyond the back line
// and not beyond the delivery point.
inline bool IsPlayablePosition(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  if (x <= kStoneRadius || x >= kSheetWidth - kStoneRadius) return false;
  if (y < kBackLineY - kStoneRadius) return false;
  return y <= kDeliveryY;
}

// Free guard zone: wholly in front of the tee line, up to the hog line, and
// not touching the house.
inline bool IsInFreeGuardZone(double x, double y) {
  if (!(y > kTeeY + kStoneRadius) || !(y <= kHogLineY)) return false;
  const double dx = x - kTeeX;
  const double dy = y - kTeeY;
  return dx * dx + dy * dy > kHouseTouchDistance * kHouseTouchDistance;
}

// Whether a delivered stone resting at y has failed to cross the hog line wholly.
inline bool IsShortOfHogLine(double y) {
  return y > kHogLineY - kStoneRadius;
}

}  // namespace curling::sim
