// Optional observer of a simulated shot: motion starts, time steps and events.
// The C exports run without one; the C++ interface records trajectories and
// events through it.
#pragma once

#include "curling_simulator/simulator.h"
#include "sim/canonical_path.h"
#include "sim/free_path.h"

namespace curling::sim {

inline constexpr int kStoneCount = 16;

class ShotObserver {
 public:
  virtual ~ShotObserver() = default;
  // Stone `stone` starts to move at time t from pos.
  virtual void MotionStarted(int stone, double t, Vec2 pos) = 0;
  // Time advanced from t_from to t_to with no event in between; the stones
  // flagged in `moving` followed `paths` throughout.
  virtual void Stepped(double t_from, double t_to, const FreePath* paths, const bool* moving) = 0;
  // An event at time t involving stone a (and b for a collision, else -1),
  // with their centres at that time.
  virtual void EventOccurred(EventKind kind, double t, int a, int b, Vec2 pos_a, Vec2 pos_b) = 0;
};

}  // namespace curling::sim
