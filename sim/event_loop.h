// Event-driven motion of up to sixteen stones: between events every moving
// stone follows its free path; events are contacts, stops and exits from play.
// Fixed-size state, no allocation.
#pragma once

#include <cstdint>

#include "sim/free_path.h"
#include "sim/path_contact.h"
#include "sim/path_extent.h"
#include "sim/sheet_exit.h"
#include "sim/shot_observer.h"

namespace curling::sim {

class EventLoop {
 public:
  EventLoop(const CanonicalPath& path, ShotObserver* observer);

  // Places a stone (at rest) in play.
  void PlaceStone(int stone, Vec2 pos);
  // Places the stones of `stones` (bit i: stone i, at positions[i]) at rest
  // in play, before any other stone is placed; `positions` is indexed by
  // stone.
  void PlaceStones(unsigned stones, const Vec2* positions);
  // Sets a placed stone moving at time 0 along the unit vector `direction`.
  void Launch(int stone, Vec2 direction, double speed, int spin);

  // Runs until every stone has stopped or left play, or a limit is hit.
  void Run();

  bool InPlay(int stone) const { return in_play_mask_ >> stone & 1u; }
  unsigned InPlayMask() const { return in_play_mask_; }
  unsigned MovedMask() const { return moved_mask_; }
  // Meaningful for stones in play.
  Vec2 Position(int stone) const { return pos_[stone]; }
  bool Touched(int stone) const { return touched_mask_ >> stone & 1u; }
  double Time() const { return t_; }

 private:
  // The steps of Run.
  bool LookAtDuePairs();
  double NextEventTime();
  void AdvanceTo(double t);
  void SettleStonesDue();
  void StopAll();

  // Stones.
  bool IsMoving(int stone) const { return moving_mask_ >> stone & 1u; }
  void SetMoving(int stone, bool moving);
  void StartMotion(int stone, Vec2 direction, double speed, int spin);
  void StartPath(int stone, Vec2 velocity, int spin);
  void Collide(int i, int j, Vec2 vi, Vec2 vj, Vec2 normal, double approach);
  void Exit(int stone);
  void Stop(int stone);
  void SyncPosition(int stone);
  Vec2 VelocityNow(int stone) const;
  void Emit(EventKind kind, double t, int a, int b);

  // Pairs.
  static int Slot(int a, int b) { return a * kStoneCount + b; }
  void ForgetPairsOf(int stone);
  void DropPairsOf(int stone);
  void MarkLiveRow(int a);
  unsigned StonesBesidePath(int mover, unsigned resting);
  unsigned MoversThatMayReach(int resting, unsigned movers);
  void FirstLook(int a, int b, double distance);
  void Refine(int a, int b);
  void SetSafe(int a, int b, ContactSearch found);

  const CanonicalPath& path_;
  ShotObserver* observer_;
  double t_ = 0.0;
  int events_ = 0;
  // Work done, in units of about one look at a pair: bounded per shot.
  long work_ = 0;

  // Bit i: stone i in play, moving, touched another, moved at all, and (for
  // a moving stone) has its position in pos_ as of the present time.
  unsigned in_play_mask_ = 0;
  unsigned moving_mask_ = 0;
  unsigned touched_mask_ = 0;
  unsigned moved_mask_ = 0;
  unsigned synced_mask_ = 0;
  bool moving_[kStoneCount] = {};  // the moving mask as the observer reads it
  Vec2 pos_[kStoneCount];
  FreePath paths_[kStoneCount];
  PathExtent extents_[kStoneCount];
  PathExit exits_[kStoneCount];

  // For every pair (a < b, at Slot(a, b)) that can meet (both in play, at
  // least one moving), the time up to which it certainly does not touch and
  // whether that time is final (the contact, or +inf) or can be refined.
  // Bit b of live_[a] marks the pairs that can meet and may still touch (not
  // yet found never to), bit b of fresh_[a] those to be worked out afresh
  // (their entries are not read); a fresh bit means something only while
  // the pair is live. A pair can meet only once one of its stones starts
  // moving, which makes the pair fresh: the entries need no initial value.
  unsigned live_[kStoneCount] = {};
  unsigned fresh_[kStoneCount] = {};
  unsigned live_rows_ = 0;  // bit a: live_[a] != 0
  double safe_[kStoneCount * kStoneCount];
  bool final_[kStoneCount * kStoneCount];
};

}  // namespace curling::sim
