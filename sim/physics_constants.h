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
// Work per shot, in units of about one look at a pair of stones (a few
// nanoseconds): then every stone stops too. It bounds the time of a call
// whatever the input (to about half a millisecond); the busiest shots of play
// use about 1% of it.
inline constexpr long kMaxWork = 200000;
// A contact found by searching along the paths is found with the gap between
// 0 and this (m): the search aims at half of it and stops once within it.
inline constexpr double kContactPrecision = 1e-7;
// Touching stones closing in more slowly than this (m/s) do not collide: a
// stone this slow would run under a nanometre before stopping, so it is at
// rest. Without it, stones pressed together (one curling into another, or
// two moving stones pulled together by their frictions) bounce ever faster,
// millions of times a second, until the event limit froze every stone; and a
// stone sliding past a touching one "collided" with it on the rounding error
// of its heading.
inline constexpr double kMinClosingSpeed = 1e-5;
// A touching pair that does not close in is left alone until its gap could
// have shrunk by this much (m), or longer, until its closing speed could
// exceed kMinClosingSpeed: a contact of such a pair is found late by at most
// this much.
inline constexpr double kTouchingSlack = kContactPrecision;

// Input stones that overlap an earlier stone by more than this (m) cannot
// have come from play (stones left touching overlap by micrometres at most):
// the later one is out of play before the shot. Without this, a pile of
// stones on one spot turns every shot into the event limit's worth of
// bounces.
inline constexpr double kDeepOverlap = 0.001;

// Free guard zone rule: applies when the shot number before the shot is up to this.
inline constexpr int kLastGuardedShot = 4;

}  // namespace curling::sim
