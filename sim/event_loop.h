// Event-driven motion of up to sixteen stones: between events every moving
// stone follows its free path; events are contacts, stops and exits from play.
// Fixed-size state, no allocation.
#pragma once

#include <cstdint>

#include "sim/free_path.h"
#include "sim/path_extent.h"
#include "sim/sheet_exit.h"
#include "sim/shot_observer.h"

namespace curling::sim {

class EventLoop {
 public:
  EventLoop(const CanonicalPath& path, ShotObserver* observer);

  // Places a stone (at rest) in play.
  void PlaceStone(int stone, Vec2 pos);
  // Sets a placed stone moving at time 0.
  void Launch(int stone, double speed, double heading, int spin);

  // Runs until every stone has stopped or left play, or the event limit is hit.
  void Run();

  bool InPlay(int stone) const { return in_play_[stone]; }
  Vec2 Position(int stone) const { return pos_[stone]; }
  bool Touched(int stone) const { return touched_[stone]; }
  bool Moved(int stone) const { return moved_[stone]; }
  int EventCount() const { return events_; }
  int StepCount() const { return steps_; }
  double Time() const { return t_; }
  bool HitEventLimit() const { return hit_limit_; }

 private:
  void SetMoving(int stone, bool moving) {
    changed_mask_ |= 1u << stone;
    moving_[stone] = moving;
    moving_mask_ = moving ? (moving_mask_ | 1u << stone) : (moving_mask_ & ~(1u << stone));
  }
  void SetInPlay(int stone, bool in_play) {
    changed_mask_ |= 1u << stone;
    in_play_[stone] = in_play;
    in_play_mask_ = in_play ? (in_play_mask_ | 1u << stone) : (in_play_mask_ & ~(1u << stone));
  }
  void StartPath(int stone, Vec2 velocity, int spin);
  void RebuildPairs();
  void DropSettledPairs();
  [[gnu::always_inline]] inline bool TouchingAndClosing(int i, int j, double& nx, double& ny,
                                                        double& approach) const;
  bool ResolveFirstContact();
  double PairTimeBound(int i, int j) const;
  void WorkOutPair(int p, int search_steps);
  void StopAll();
  void Emit(EventKind kind, double t, int a, int b);

  const CanonicalPath& path_;
  ShotObserver* observer_;
  double t_ = 0.0;
  int events_ = 0;
  int steps_ = 0;
  bool hit_limit_ = false;

  bool in_play_[kStoneCount] = {};
  bool moving_[kStoneCount] = {};
  unsigned in_play_mask_ = 0;  // bit i: stone i in play
  unsigned moving_mask_ = 0;   // bit i: stone i moving
  unsigned changed_mask_ = 0;  // bit i: motion of stone i changed since the pairs were built
  bool touched_[kStoneCount] = {};
  bool moved_[kStoneCount] = {};
  Vec2 pos_[kStoneCount] = {};
  Vec2 vel_[kStoneCount] = {};
  FreePath paths_[kStoneCount];
  PathExtent extents_[kStoneCount];
  PathExit exits_[kStoneCount];

  // Pairs (a < b) that can still meet before the next event, in index
  // order, each with the time up to which it certainly does not touch (-inf:
  // to be worked out) and whether that time is final (a contact, or a bound
  // that only a step in time can improve) or can be refined by searching
  // further along a path. Entries of unchanged pairs survive a rebuild.
  static constexpr int kMaxPairs = kStoneCount * (kStoneCount - 1) / 2;
  int pair_count_ = 0;
  uint8_t pair_a_[kMaxPairs];
  uint8_t pair_b_[kMaxPairs];
  double pair_safe_[kMaxPairs];
  bool pair_final_[kMaxPairs];
};

}  // namespace curling::sim
