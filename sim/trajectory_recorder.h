// Records a shot for the C++ interface: trajectory samples of every stone that
// moves (every sample interval, plus at motion starts and events) and events.
#pragma once

#include <vector>

#include "sim/shot_observer.h"

namespace curling::sim {

class TrajectoryRecorder final : public ShotObserver {
 public:
  TrajectoryRecorder(const CanonicalPath& path, double sample_interval);

  void MotionStarted(int stone, double t, Vec2 pos) override;
  void Stepped(double t_from, double t_to, const FreePath* paths, const bool* moving) override;
  void EventOccurred(EventKind kind, double t, int a, int b, Vec2 pos_a, Vec2 pos_b) override;

  std::vector<StoneTrajectory> TakeTrajectories() { return std::move(trajectories_); }
  std::vector<ShotEvent> TakeEvents() { return std::move(events_); }

 private:
  void AddSample(int stone, double t, Vec2 pos);

  const CanonicalPath& path_;
  double interval_;
  long long next_sample_ = 1;  // index of the next periodic sample time
  int slot_[kStoneCount];      // trajectory index of each stone, -1 if none
  std::vector<StoneTrajectory> trajectories_;
  std::vector<ShotEvent> events_;
};

}  // namespace curling::sim
