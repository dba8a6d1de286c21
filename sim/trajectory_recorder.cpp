#include "sim/trajectory_recorder.h"

#include <cmath>

namespace curling::sim {
namespace {

// Sample count cap per shot, so that a tiny interval cannot exhaust memory.
constexpr long long kMaxPeriodicSamples = 200000;

}  // namespace

TrajectoryRecorder::TrajectoryRecorder(const CanonicalPath& path, double sample_interval)
    : path_(path),
      interval_(std::isfinite(sample_interval) && sample_interval > 0.0 ? sample_interval : 0.0) {
  for (int& s : slot_)
    s = -1;
}

void TrajectoryRecorder::AddSample(int stone, double t, Vec2 pos) {
  if (stone < 0 || stone >= kStoneCount) return;
  if (slot_[stone] < 0) {
    slot_[stone] = static_cast<int>(trajectories_.size());
    trajectories_.push_back(StoneTrajectory{stone, {}});
  }
  std::vector<TrajectorySample>& samples = trajectories_[slot_[stone]].samples;
  const TrajectorySample sample{static_cast<float>(t), static_cast<float>(pos.x),
                                static_cast<float>(pos.y)};
  if (!samples.empty() && samples.back().t == sample.t) {
    samples.back() = sample;
  } else {
    samples.push_back(sample);
  }
}

void TrajectoryRecorder::MotionStarted(int stone, double t, Vec2 pos) {
  AddSample(stone, t, pos);
}

void TrajectoryRecorder::Stepped(double t_from, double t_to, const FreePath* paths,
                                 const bool* moving) {
  if (interval_ <= 0.0) return;
  while (next_sample_ <= kMaxPeriodicSamples) {
    const double ts = static_cast<double>(next_sample_) * interval_;
    if (ts > t_to) break;
    ++next_sample_;
    if (ts <= t_from) continue;
    for (int i = 0; i < kStoneCount; ++i) {
      if (moving[i]) AddSample(i, ts, paths[i].PositionAt(path_, ts));
    }
  }
}

void TrajectoryRecorder::EventOccurred(EventKind kind, double t, int a, int b, Vec2 pos_a,
                                       Vec2 pos_b) {
  events_.push_back(ShotEvent{kind, static_cast<float>(t), a, b, static_cast<float>(pos_a.x),
                              static_cast<float>(pos_a.y)});
  if (kind == EventKind::kOutOfPlayBefore || kind == EventKind::kHogLine ||
      kind == EventKind::kFreeGuardZone || kind == EventKind::kEventLimit) {
    return;
  }
  if (a >= 0 && slot_[a] >= 0) AddSample(a, t, pos_a);
  if (b >= 0 && slot_[b] >= 0) AddSample(b, t, pos_b);
}

}  // namespace curling::sim
