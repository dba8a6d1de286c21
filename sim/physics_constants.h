// Constants of the physics model: ice, curl and collisions. The sheet's
// geometry is public (curling_simulator/rink.h).
#pragma once

#include "curling_simulator/rink.h"

namespace curling::sim {

// Ice: constant deceleration (m/s^2).
inline constexpr double kDeceleration = 0.0824;
// Curl: sideways acceleration s*k/v above vc, s*k*v/vc^2 below it.
inline constexpr double kCurlCoefficient = 0.0073;  // m^2/s^3
inline constexpr double kCurlFadeSpeed = 0.30;      // m/s
// Largest magnitude of a moving stone's acceleration (deceleration and curl
// together: sqrt(a^2 + (k/vc)^2) = 0.08592), rounded up.
inline constexpr double kAccelerationBound = 0.0860;

// Fastest speed played; faster deliveries are played at this speed.
inline constexpr double kMaxSpeed = 12.0;

// Collisions.
inline constexpr double kRestitution = 0.9;
inline constexpr double kContactGap = 1e-5;  // gap at which two stones touch (m)
inline constexpr int kMaxEvents = 10000;     // per shot; then every stone stops
// Touching stones closing in more slowly than this (m/s) do not collide, as a
// stone this slow is at rest: a stone sliding past a touching one would
// otherwise "collide" with it forever on the rounding error of its heading
// (each impulse too small to change anything) until the event limit froze
// every stone.
inline constexpr double kMinClosingSpeed = 1e-9;
// Two touching stones that do not close in are next examined after at most
// this much (m) of possible closing: the precision of a contact found late.
inline constexpr double kTouchingSlack = 0.01 * kContactGap;

// Input stones that overlap an earlier stone by more than this (m) cannot
// have come from play (stones left touching overlap by micrometres at most):
// the later one is out of play before the shot. Without this, a pile of
// stones on one spot turns every shot into the event limit's worth of
// bounces.
inline constexpr double kDeepOverlap = 0.001;

// Free guard zone rule: applies when the shot number before the shot is up to this.
inline constexpr int kLastGuardedShot = 4;

}  // namespace curling::sim
