// A slow, plain reference for the physics library: the same motion law,
// contact response and rules, integrated with small explicit RK4 steps of the
// full velocity vector instead of closed forms and tables. Tests and the
// agreement tool hold the fast library to it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "curling_simulator/records.h"

namespace curling::reference {

// Sheet, stone and ice constants: a copy of its own on purpose, so that the
// reference stays an independent model of the library it checks.
inline constexpr double kSheetWidth = 4.75;
inline constexpr double kCentreX = 2.375;
inline constexpr double kDeliveryX = 2.375;
inline constexpr double kDeliveryY = 41.28;
inline constexpr double kTeeX = 2.375;
inline constexpr double kTeeY = 4.88;
inline constexpr double kHouseRadius = 1.83;
inline constexpr double kBackLineY = 3.05;
inline constexpr double kHogLineY = 11.28;
inline constexpr double kNearHogLineY = 33.23;
inline constexpr double kStoneRadius = 0.145;
inline constexpr double kGuardZoneTeeDistance = 1.975;  // house radius plus a stone radius

inline constexpr double kFriction = 0.0824;  // deceleration, m/s^2
inline constexpr double kCurlK = 0.0073;     // m^2/s^3
inline constexpr double kCurlVc = 0.30;      // m/s, below it the curl fades
inline constexpr double kRestitution = 0.9;  // normal restitution between stones
inline constexpr double kContactGap = 1e-5;  // a pair this close and approaching is in contact
inline constexpr double kMaxSpeed = 12.0;    // faster deliveries are played at this speed
inline constexpr int kMaxEvents = 10000;

struct StepperOptions {
  double max_step = 1e-3;  // seconds; steps are also cut at every speed kink and contact
  bool free_guard_zone = true;
  // Times (seconds since release, ascending) at which to record every stone.
  std::vector<double> sample_times;
};

struct Point {
  double x = 0.0;
  double y = 0.0;
};

struct ReferenceResult {
  GameState final_state{};       // what the library should return (error 0)
  std::array<Point, 16> rest{};  // rest positions in double precision, (0, 0) out of play
  std::vector<std::array<Point, 16>> samples;  // one entry per requested sample time
  int collisions = 0;
  int events = 0;
  bool delivered = false;          // a stone entered play
  bool delivered_touched = false;  // the delivered stone touched another stone
  bool hog_line_removed = false;
  bool guard_zone_restored = false;
  bool event_limit = false;
  double duration = 0.0;  // seconds until every stone stopped
};

// True when a stone of an input position is out of play before the shot: not
// at (0, 0) and non-finite, within a radius of a side line, wholly beyond the
// back line or beyond the delivery point. (0, 0) itself is reported false.
bool OutOfPlayBefore(float x, float y);

// True when a stone lies in the free guard zone: wholly in front of the tee
// line, up to the hog line, and not touching the house.
bool InFreeGuardZone(double x, double y);

// Plays (vx, vy, curl_flag) as stone state.ShotNum with no random error.
ReferenceResult PlayReference(const GameState& state, double vx, double vy, int curl_flag,
                              const StepperOptions& options = StepperOptions{});

}  // namespace curling::reference
