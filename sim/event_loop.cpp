#include "sim/event_loop.h"

#include <cmath>
#include <limits>

#include "sim/path_contact.h"

namespace curling::sim {
namespace {

constexpr double kTwoRadii = 2.0 * kStoneRadius;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Squared centre distance beyond which two stones certainly do not touch:
// the contact distance with a margin far above the rounding of the distance.
constexpr double kApartSquared =
    (kTwoRadii + kContactGap + 1e-9) * (kTwoRadii + kContactGap + 1e-9);
// Below this speed (m/s) a stone is at rest.
constexpr double kRestSpeed = 1e-9;

// Safety net on the number of time steps of one shot; never reached in play.
constexpr int kMaxSteps = 200000;
// Steps of a path search when a pair is first worked out, and per refinement.
constexpr int kFirstSearchSteps = 1;
constexpr int kRefineSearchSteps = 4;
// Refinements between two time steps (a bound on work, not on accuracy).
constexpr int kMaxRefinements = 1000;

}  // namespace

EventLoop::EventLoop(const CanonicalPath& path, ShotObserver* observer)
    : path_(path), observer_(observer) {}

void EventLoop::PlaceStone(int stone, Vec2 pos) {
  SetInPlay(stone, true);
  SetMoving(stone, false);
  pos_[stone] = pos;
  vel_[stone] = {0.0, 0.0};
}

void EventLoop::Launch(int stone, double speed, double heading, int spin) {
  if (!in_play_[stone] || !(speed > kRestSpeed)) return;
  const double v = speed < kMaxSpeed ? speed : kMaxSpeed;
  StartPath(stone, {v * std::cos(heading), v * std::sin(heading)}, spin);
}

void EventLoop::StartPath(int stone, Vec2 velocity, int spin) {
  changed_mask_ |= 1u << stone;
  const double speed = std::sqrt(velocity.x * velocity.x + velocity.y * velocity.y);
  if (!(speed > kRestSpeed)) {
    if (moving_[stone]) {
      SetMoving(stone, false);
      ++events_;
      Emit(EventKind::kStopped, t_, stone, -1);
    }
    vel_[stone] = {0.0, 0.0};
    return;
  }
  FreePath& motion = paths_[stone];
  motion.Start(path_, t_, pos_[stone], speed, std::atan2(velocity.y, velocity.x), spin);
  if (!moving_[stone] && observer_ != nullptr) observer_->MotionStarted(stone, t_, pos_[stone]);
  SetMoving(stone, true);
  moved_[stone] = true;
  extents_[stone] = FindPathExtent(path_, motion);
  exits_[stone] = FindPathExit(path_, motion, extents_[stone]);
  vel_[stone] = motion.VelocityAt(path_, t_);
}

void EventLoop::Emit(EventKind kind, double t, int a, int b) {
  if (observer_ == nullptr) return;
  const Vec2 none{0.0, 0.0};
  observer_->EventOccurred(kind, t, a, b, a >= 0 ? pos_[a] : none, b >= 0 ? pos_[b] : none);
}

// Pairs that can still meet before the next event: at least one moving, and
// their gap no larger than the sum of the paths they have left to run (both
// shrink by the same distance travelled, so this holds until the next event).
void EventLoop::RebuildPairs() {
  // reach: the path a stone has left to run (0 at rest). A pair with a stone
  // at rest has the limit of its moving stone alone, worked out once.
  double reach[kStoneCount];
  double limit_at_rest[kStoneCount];  // squared, for the moving stones
  for (unsigned m = in_play_mask_; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    if (!moving_[i]) {
      reach[i] = 0.0;
      continue;
    }
    const double v = paths_[i].SpeedAt(t_);
    reach[i] = v * v / (2.0 * kDeceleration);
    const double limit = reach[i] + kTwoRadii + kContactGap;
    limit_at_rest[i] = limit * limit;
  }
  const int old_count = pair_count_;
  uint8_t old_a[kMaxPairs];
  uint8_t old_b[kMaxPairs];
  double old_safe[kMaxPairs];
  bool old_final[kMaxPairs];
  for (int p = 0; p < old_count; ++p) {
    old_a[p] = pair_a_[p];
    old_b[p] = pair_b_[p];
    old_safe[p] = pair_safe_[p];
    old_final[p] = pair_final_[p];
  }
  int old = 0;
  pair_count_ = 0;
  for (unsigned m = in_play_mask_; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    // Partners above i: all in play if i moves, else only moving ones.
    unsigned partners = in_play_mask_ & ~((2u << i) - 1u);
    const bool i_moves = moving_mask_ >> i & 1u;
    if (!i_moves) partners &= moving_mask_;
    for (; partners != 0; partners &= partners - 1u) {
      const int j = __builtin_ctz(partners);
      double limit2;
      if (i_moves) {
        const double limit = reach[i] + reach[j] + kTwoRadii + kContactGap;
        limit2 = limit * limit;
      } else {
        limit2 = limit_at_rest[j];
      }
      const double dx = pos_[j].x - pos_[i].x;
      const double dy = pos_[j].y - pos_[i].y;
      if (dx * dx + dy * dy > limit2) continue;
      const int p = pair_count_++;
      pair_a_[p] = static_cast<uint8_t>(i);
      pair_b_[p] = static_cast<uint8_t>(j);
      pair_safe_[p] = -kInfinity;
      pair_final_[p] = false;
      if ((changed_mask_ >> i | changed_mask_ >> j) & 1u) continue;
      // Both lists are in index order: carry over the entry of an unchanged pair.
      while (old < old_count && (old_a[old] < i || (old_a[old] == i && old_b[old] < j)))
        ++old;
      if (old < old_count && old_a[old] == i && old_b[old] == j) {
        pair_safe_[p] = old_safe[old];
        pair_final_[p] = old_final[old];
      }
    }
  }
  changed_mask_ = 0;
}

// After stops and exits only: pairs with no moving stone left, or a stone out
// of play, go; pairs of a stone that stopped are worked out again.
void EventLoop::DropSettledPairs() {
  int kept = 0;
  for (int p = 0; p < pair_count_; ++p) {
    const unsigned pair = 1u << pair_a_[p] | 1u << pair_b_[p];
    if ((pair & in_play_mask_) != pair || (pair & moving_mask_) == 0) continue;
    pair_a_[kept] = pair_a_[p];
    pair_b_[kept] = pair_b_[p];
    const bool changed = (pair & changed_mask_) != 0;
    pair_safe_[kept] = changed ? -kInfinity : pair_safe_[p];
    pair_final_[kept] = changed ? false : pair_final_[p];
    ++kept;
  }
  pair_count_ = kept;
  changed_mask_ = 0;
}

// Whether stones i and j touch (gap at most the contact gap) and close in;
// then n is the unit normal from i to j and `approach` the closing speed.
bool EventLoop::TouchingAndClosing(int i, int j, double& nx, double& ny, double& approach) const {
  const double rx = pos_[j].x - pos_[i].x;
  const double ry = pos_[j].y - pos_[i].y;
  const double dist2 = rx * rx + ry * ry;
  if (dist2 > kApartSquared) return false;  // no square root for stones apart
  const double dist = std::sqrt(dist2);
  if (dist - kTwoRadii > kContactGap) return false;
  const double ux = vel_[i].x - vel_[j].x;
  const double uy = vel_[i].y - vel_[j].y;
  if (dist > 1e-12) {
    nx = rx / dist;
    ny = ry / dist;
  } else {  // coincident centres: push apart along the relative motion
    const double u = std::hypot(ux, uy);
    if (!(u > 0.0)) return false;
    nx = ux / u;
    ny = uy / u;
  }
  approach = ux * nx + uy * ny;
  return approach > kMinClosingSpeed;
}

// Resolves the first pair, in index order, that touches and closes in.
// Only pairs whose safe time has come can touch.
bool EventLoop::ResolveFirstContact() {
  for (int p = 0; p < pair_count_; ++p) {
    if (pair_safe_[p] > t_) continue;
    const int i = pair_a_[p];
    const int j = pair_b_[p];
    double nx, ny, approach;
    if (!TouchingAndClosing(i, j, nx, ny, approach)) continue;
    const double impulse = 0.5 * (1.0 + kRestitution) * approach;
    const Vec2 vi{vel_[i].x - impulse * nx, vel_[i].y - impulse * ny};
    const Vec2 vj{vel_[j].x + impulse * nx, vel_[j].y + impulse * ny};
    // A stone struck from rest runs straight; a moving one keeps its spin.
    const int spin_i = moving_[i] ? paths_[i].Spin() : 0;
    const int spin_j = moving_[j] ? paths_[j].Spin() : 0;
    touched_[i] = true;
    touched_[j] = true;
    ++events_;
    Emit(EventKind::kCollision, t_, i, j);
    StartPath(i, vi, spin_i);
    StartPath(j, vj, spin_j);
    return true;
  }
  return false;
}

// A time within which two moving stones cannot come into contact. With
// relative position r, relative velocity w and relative acceleration at most
// A, r(t) = r + w t + E with |E| <= A t^2 / 2; two lower bounds on the gap
// follow: the projection on the current line of centres, and the closest
// approach of the straight relative motion. The larger safe time is safe.
double EventLoop::PairTimeBound(int i, int j) const {
  const double rx = pos_[j].x - pos_[i].x;
  const double ry = pos_[j].y - pos_[i].y;
  const double wx = vel_[j].x - vel_[i].x;
  const double wy = vel_[j].y - vel_[i].y;
  const double accel = kAccelerationBound * ((moving_[i] ? 1.0 : 0.0) + (moving_[j] ? 1.0 : 0.0));
  const double dist = std::sqrt(rx * rx + ry * ry);
  const double gap = dist - kTwoRadii;
  const double rw = rx * wx + ry * wy;
  const double w2 = wx * wx + wy * wy;
  const double wn = dist > 0.0 ? rw / dist : 0.0;

  if (gap <= kContactGap) {
    // Touching but not closing in: as long as the gap cannot shrink by more
    // than the slack (if they close in by then, they collide then).
    const double disc = std::sqrt(wn * wn + 2.0 * accel * kTouchingSlack);
    return wn >= 0.0 ? (wn + disc) / accel : 2.0 * kTouchingSlack / (disc - wn);
  }

  const double disc = std::sqrt(wn * wn + 2.0 * accel * gap);
  const double projected = wn >= 0.0 ? (wn + disc) / accel : 2.0 * gap / (disc - wn);

  double closest = dist;
  if (w2 > 0.0 && rw < 0.0) {
    const double tc = -rw / w2;
    const double cx = rx + wx * tc;
    const double cy = ry + wy * tc;
    closest = std::sqrt(cx * cx + cy * cy);
  }
  const double passing = closest > kTwoRadii ? std::sqrt(2.0 * (closest - kTwoRadii) / accel) : 0.0;
  return projected > passing ? projected : passing;
}

// Works out (or refines) the time up to which pair (i, j) certainly does not
// touch. A stone at rest against a moving one: a search along the moving
// stone's path, resumed from where it stopped when refining.
void EventLoop::WorkOutPair(int p, int search_steps) {
  const int i = pair_a_[p];
  const int j = pair_b_[p];
  double& safe = pair_safe_[p];
  bool& final = pair_final_[p];
  if (moving_[i] != moving_[j]) {
    const int m = moving_[i] ? i : j;
    const int r = moving_[i] ? j : i;
    const bool resume = safe > t_;
    const double from = resume ? safe : t_;
    const Vec2 at = resume ? paths_[m].PositionAt(path_, from) : pos_[m];
    const ContactSearch found =
        PathContactTime(path_, paths_[m], extents_[m], from, at, pos_[r], search_steps, !resume);
    // A contact now that the velocities do not confirm (closing speed
    // rounding to zero) falls back to the conservative bound below.
    if (found.time > t_) {
      safe = found.time;
      final = found.final;
      return;
    }
  }
  safe = t_ + PairTimeBound(i, j);
  final = true;
}

void EventLoop::StopAll() {
  hit_limit_ = true;
  Emit(EventKind::kEventLimit, t_, -1, -1);
  for (unsigned m = moving_mask_; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    SetMoving(i, false);
    vel_[i] = {0.0, 0.0};
    Emit(EventKind::kStopped, t_, i, -1);
  }
}

void EventLoop::Run() {
  RebuildPairs();
  for (;; ++steps_) {
    if (moving_mask_ == 0) return;
    if (events_ >= kMaxEvents || steps_ >= kMaxSteps) {
      StopAll();
      return;
    }
    if (ResolveFirstContact()) {
      RebuildPairs();
      continue;
    }

    // The next time anything can happen: a stop, an exit, or a pair's safe
    // time (worked out again for the pairs whose time has come).
    double next = kInfinity;
    int limiter = -1;
    bool limiter_exits = false;
    for (unsigned m = moving_mask_; m != 0; m &= m - 1u) {
      const int i = __builtin_ctz(m);
      const double stop = paths_[i].StopTime();
      if (stop < next) {
        next = stop;
        limiter = i;
        limiter_exits = false;
      }
      if (exits_[i].kind != ExitKind::kNone && exits_[i].time <= next) {
        next = exits_[i].time;
        limiter = i;
        limiter_exits = true;
      }
    }
    for (int p = 0; p < pair_count_; ++p) {
      if (pair_safe_[p] <= t_) WorkOutPair(p, kFirstSearchSteps);
    }
    // Refine the earliest pair until it is final: pairs that a first event
    // will make moot are never searched far.
    double stops = next;
    for (int refinements = 0;; ++refinements) {
      next = stops;
      int earliest = -1;
      for (int p = 0; p < pair_count_; ++p) {
        if (pair_safe_[p] < next) {
          next = pair_safe_[p];
          earliest = p;
        }
      }
      if (earliest < 0) break;
      limiter = -1;
      if (pair_final_[earliest] || refinements >= kMaxRefinements) break;
      WorkOutPair(earliest, kRefineSearchSteps);
    }
    if (!(next >= t_)) next = t_;

    const double t_from = t_;
    t_ = next;
    if (observer_ != nullptr) observer_->Stepped(t_from, t_, paths_, moving_);

    bool changed = false;
    for (unsigned m = moving_mask_; m != 0; m &= m - 1u) {
      const int i = __builtin_ctz(m);
      FreePath& motion = paths_[i];
      const bool exits = exits_[i].kind != ExitKind::kNone &&
                         ((i == limiter && limiter_exits) || exits_[i].time <= t_);
      if (exits) {
        pos_[i] = motion.PositionAt(path_, exits_[i].time);
        ++events_;
        const EventKind kind = exits_[i].kind == ExitKind::kSide   ? EventKind::kLeftSide
                               : exits_[i].kind == ExitKind::kBack ? EventKind::kLeftBack
                                                                   : EventKind::kLeftDeliveryEnd;
        Emit(kind, exits_[i].time, i, -1);
        SetInPlay(i, false);
        SetMoving(i, false);
        pos_[i] = {0.0, 0.0};
        vel_[i] = {0.0, 0.0};
        changed = true;
      } else if ((i == limiter && !limiter_exits) || motion.StopTime() <= t_) {
        pos_[i] = extents_[i].rest;  // the path's rest position, worked out at its start
        SetMoving(i, false);
        vel_[i] = {0.0, 0.0};
        ++events_;
        Emit(EventKind::kStopped, motion.StopTime(), i, -1);
        changed = true;
      } else {
        pos_[i] = motion.PositionAt(path_, t_);
        vel_[i] = motion.VelocityAt(path_, t_);
      }
    }
    if (changed) DropSettledPairs();
  }
}

}  // namespace curling::sim
