#include "sim/event_loop.h"

#include <cassert>
#include <cmath>
#include <limits>

#include "sim/min_max.h"

namespace curling::sim {
namespace {

constexpr double kTwoRadii = 2.0 * kStoneRadius;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Below this speed (m/s) a stone is at rest.
constexpr double kRestSpeed = 1e-9;

// Steps of a pair search per refinement, and refinements between two time
// steps (bounds on work, not on accuracy).
constexpr int kRefineSteps = 8;
constexpr int kMaxRefinements = 64;

// The path a stone at speed v has left to run.
double RemainingPath(double v) {
  return v * v / (2.0 * kDeceleration);
}

double Dot(Vec2 a, Vec2 b) {
  return a.x * b.x + a.y * b.y;
}

}  // namespace

EventLoop::EventLoop(const CanonicalPath& path, ShotObserver* observer)
    : path_(path), observer_(observer) {}

void EventLoop::PlaceStone(int stone, Vec2 pos) {
  assert(stone >= 0 && stone < kStoneCount);
  in_play_mask_ |= 1u << stone;
  SetMoving(stone, false);
  pos_[stone] = pos;
}

void EventLoop::PlaceStones(unsigned stones, const Vec2* positions) {
  assert(in_play_mask_ == 0 && moving_mask_ == 0);
  in_play_mask_ = stones;
  for (unsigned m = stones; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    pos_[i] = positions[i];
  }
}

void EventLoop::Launch(int stone, Vec2 direction, double speed, int spin) {
  assert(stone >= 0 && stone < kStoneCount);
  if (!InPlay(stone) || !(speed > kRestSpeed)) return;
  StartMotion(stone, direction, MinOf(speed, kMaxSpeed), spin);
}

void EventLoop::Run() {
  while (moving_mask_ != 0) {
    if (events_ >= kMaxEvents || work_ >= kMaxWork) {
      StopAll();
      return;
    }
    ++work_;
    if (LookAtDuePairs()) continue;
    AdvanceTo(NextEventTime());
    SettleStonesDue();
  }
}

// The pairs whose safe time has come, in index order: the first that touches
// and closes in collides; the others get a first look.
bool EventLoop::LookAtDuePairs() {
  for (unsigned rows = live_rows_; rows != 0; rows &= rows - 1u) {
    const int i = __builtin_ctz(rows);
    for (unsigned m = live_[i]; m != 0; m &= m - 1u) {
      const int j = __builtin_ctz(m);
      ++work_;
      if (!(fresh_[i] >> j & 1u) && safe_[Slot(i, j)] > t_) continue;
      // A stone at rest beside the whole path of the other never meets it
      // (pairs beside the path's box were left out when they became fresh).
      if (IsMoving(i) != IsMoving(j)) {
        const int mover = IsMoving(i) ? i : j;
        const Vec2 resting = pos_[mover == i ? j : i];
        assert(!BesidePathBox(extents_[mover], resting));
        if (!PathCorridorMayReach(paths_[mover], resting)) {
          SetSafe(i, j, {kInfinity, true});
          continue;
        }
      }
      SyncPosition(i);
      SyncPosition(j);
      const Vec2 r{pos_[j].x - pos_[i].x, pos_[j].y - pos_[i].y};
      const double distance = std::sqrt(Dot(r, r));
      if (distance - kTwoRadii <= kContactGap) {
        const Vec2 vi = VelocityNow(i);
        const Vec2 vj = VelocityNow(j);
        const Vec2 u{vi.x - vj.x, vi.y - vj.y};
        Vec2 normal;
        if (distance > 1e-12) {
          normal = {r.x / distance, r.y / distance};
        } else {  // coincident centres: push apart along the relative motion
          const double speed = std::sqrt(Dot(u, u));
          normal = speed > 0.0 ? Vec2{u.x / speed, u.y / speed} : Vec2{0.0, 0.0};
        }
        const double approach = Dot(u, normal);
        if (approach > kMinClosingSpeed) {
          Collide(i, j, vi, vj, normal, approach);
          return true;
        }
      }
      FirstLook(i, j, distance);
    }
  }
  return false;
}

// The next time anything can happen: a stop, an exit, or a pair's safe time.
// The earliest pair is refined until its time is final, so that pairs an
// earlier event makes moot are never searched far.
double EventLoop::NextEventTime() {
  double stops = kInfinity;
  for (unsigned m = moving_mask_; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    stops = MinOf(stops, paths_[i].StopTime());
    if (exits_[i].kind != ExitKind::kNone) stops = MinOf(stops, exits_[i].time);
  }
  for (int refinements = 0;;) {
    // The earliest pair before the stops, and the time of the one after it.
    double earliest_time = stops;
    double second_time = stops;
    int earliest = -1;
    long visited = 0;
    for (unsigned rows = live_rows_; rows != 0; rows &= rows - 1u) {
      const int i = __builtin_ctz(rows);
      for (unsigned m = live_[i]; m != 0; m &= m - 1u) {
        ++visited;
        const int slot = Slot(i, __builtin_ctz(m));
        const double safe = safe_[slot];
        if (safe < second_time) {
          if (safe < earliest_time) {
            second_time = earliest_time;
            earliest_time = safe;
            earliest = slot;
          } else {
            second_time = safe;
          }
        }
      }
    }
    work_ += visited;
    if (earliest < 0) return stops;
    const int a = earliest / kStoneCount;
    const int b = earliest % kStoneCount;
    while (!final_[earliest] && refinements < kMaxRefinements && safe_[earliest] <= second_time) {
      Refine(a, b);
      ++refinements;
    }
    // Still the earliest: final, or out of refinements. Else every pair is
    // safe up to the one after it.
    if (safe_[earliest] <= second_time) return safe_[earliest];
    if (refinements >= kMaxRefinements) return second_time;
  }
}

void EventLoop::AdvanceTo(double t) {
  assert(t >= t_);
  if (observer_ != nullptr) observer_->Stepped(t_, t, paths_, moving_);
  if (t != t_) synced_mask_ = 0;
  t_ = t;
}

// Stops and exits due now.
void EventLoop::SettleStonesDue() {
  for (unsigned m = moving_mask_; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    if (exits_[i].kind != ExitKind::kNone && exits_[i].time <= t_) {
      Exit(i);
    } else if (paths_[i].StopTime() <= t_) {
      Stop(i);
    }
  }
}

void EventLoop::StopAll() {
  Emit(EventKind::kEventLimit, t_, -1, -1);
  for (unsigned m = moving_mask_; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    SyncPosition(i);
    SetMoving(i, false);
    Emit(EventKind::kStopped, t_, i, -1);
  }
}

void EventLoop::SetMoving(int stone, bool moving) {
  moving_[stone] = moving;
  moving_mask_ = moving ? (moving_mask_ | 1u << stone) : (moving_mask_ & ~(1u << stone));
}

void EventLoop::StartMotion(int stone, Vec2 direction, double speed, int spin) {
  FreePath& motion = paths_[stone];
  work_ += 32;  // a path start costs about as much as looking at that many pairs
  motion.Start(path_, t_, pos_[stone], direction, speed, spin);
  if (!IsMoving(stone) && observer_ != nullptr) observer_->MotionStarted(stone, t_, pos_[stone]);
  SetMoving(stone, true);
  moved_mask_ |= 1u << stone;
  synced_mask_ |= 1u << stone;
  extents_[stone] = FindPathExtent(path_, motion);
  exits_[stone] = FindPathExit(path_, motion, extents_[stone]);
  ForgetPairsOf(stone);
}

// A new path from the stone's present position with `velocity` (a stone
// left without speed is at rest).
void EventLoop::StartPath(int stone, Vec2 velocity, int spin) {
  const double speed = std::sqrt(Dot(velocity, velocity));
  if (speed > kRestSpeed) {
    StartMotion(stone, {velocity.x / speed, velocity.y / speed}, MinOf(speed, kMaxSpeed), spin);
    return;
  }
  if (IsMoving(stone)) {
    SetMoving(stone, false);
    ++events_;
    Emit(EventKind::kStopped, t_, stone, -1);
  }
  ForgetPairsOf(stone);
}

// An impulse along the unit normal from i to j, equal masses.
void EventLoop::Collide(int i, int j, Vec2 vi, Vec2 vj, Vec2 normal, double approach) {
  const double impulse = 0.5 * (1.0 + kRestitution) * approach;
  vi = {vi.x - impulse * normal.x, vi.y - impulse * normal.y};
  vj = {vj.x + impulse * normal.x, vj.y + impulse * normal.y};
  // A stone struck from rest runs straight; a moving one keeps its spin.
  const int spin_i = IsMoving(i) ? paths_[i].Spin() : 0;
  const int spin_j = IsMoving(j) ? paths_[j].Spin() : 0;
  touched_mask_ |= 1u << i | 1u << j;
  ++events_;
  Emit(EventKind::kCollision, t_, i, j);
  StartPath(i, vi, spin_i);
  StartPath(j, vj, spin_j);
}

void EventLoop::Exit(int stone) {
  const PathExit& exit = exits_[stone];
  pos_[stone] = paths_[stone].PositionAt(path_, exit.time);
  ++events_;
  const EventKind kind = exit.kind == ExitKind::kSide   ? EventKind::kLeftSide
                         : exit.kind == ExitKind::kBack ? EventKind::kLeftBack
                                                        : EventKind::kLeftDeliveryEnd;
  Emit(kind, exit.time, stone, -1);
  in_play_mask_ &= ~(1u << stone);
  SetMoving(stone, false);
  pos_[stone] = {0.0, 0.0};
  DropPairsOf(stone);
}

void EventLoop::Stop(int stone) {
  pos_[stone] = extents_[stone].rest;  // the path's rest position, worked out at its start
  SetMoving(stone, false);
  ++events_;
  Emit(EventKind::kStopped, paths_[stone].StopTime(), stone, -1);
  ForgetPairsOf(stone);
}

// Brings a moving stone's position to the present time.
void EventLoop::SyncPosition(int stone) {
  if (!((moving_mask_ & ~synced_mask_) >> stone & 1u)) return;
  pos_[stone] = paths_[stone].PositionAt(path_, t_);
  synced_mask_ |= 1u << stone;
}

Vec2 EventLoop::VelocityNow(int stone) const {
  return IsMoving(stone) ? paths_[stone].VelocityAt(path_, t_) : Vec2{0.0, 0.0};
}

void EventLoop::Emit(EventKind kind, double t, int a, int b) {
  if (observer_ == nullptr) return;
  const Vec2 none{0.0, 0.0};
  observer_->EventOccurred(kind, t, a, b, a >= 0 ? pos_[a] : none, b >= 0 ? pos_[b] : none);
}

// The stone's motion changed: every pair it belongs to that can meet (both
// in play, at least one moving) is worked out afresh; the others cannot meet.
// Pairs of a moving stone and a stone at rest beside the box of its path
// never meet and are left out at once.
void EventLoop::ForgetPairsOf(int stone) {
  const unsigned others = in_play_mask_ & ~(1u << stone);
  if (others == 0) {  // alone on the sheet
    live_[stone] = 0;
    MarkLiveRow(stone);
    return;
  }
  const unsigned meet = IsMoving(stone) ? others & ~StonesBesidePath(stone, others & ~moving_mask_)
                                        : MoversThatMayReach(stone, others & moving_mask_);
  const unsigned below = (1u << stone) - 1u;
  live_[stone] = meet & ~below;
  fresh_[stone] = meet & ~below;
  // Rows without live pairs that do not meet the stone stay as they are (a
  // pair's fresh bit is read only while it is live).
  const unsigned changed = others & below & (meet | live_rows_);
  unsigned rows = live_rows_ & ~changed & ~(1u << stone);
  rows |= static_cast<unsigned>(live_[stone] != 0) << stone;
  for (unsigned m = changed; m != 0; m &= m - 1u) {
    const int a = __builtin_ctz(m);
    const unsigned bit = (meet >> a & 1u) << stone;
    const unsigned row = (live_[a] & ~(1u << stone)) | bit;
    live_[a] = row;
    fresh_[a] = (fresh_[a] & ~(1u << stone)) | bit;
    rows |= static_cast<unsigned>(row != 0) << a;
  }
  live_rows_ = rows;
}

// Those of the stones at rest in `resting` that lie beside the box of the
// moving stone's path.
unsigned EventLoop::StonesBesidePath(int mover, unsigned resting) {
  const PathExtent& extent = extents_[mover];
  unsigned beside = 0;
  int count = 0;
  for (unsigned m = resting; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    const bool out = BesidePathBox(extent, pos_[i]);
    beside |= static_cast<unsigned>(out) << i;
    count += out;
  }
  work_ += count;
  return beside;
}

// Those of the moving stones in `movers` whose path box may reach the stone
// at rest.
unsigned EventLoop::MoversThatMayReach(int resting, unsigned movers) {
  unsigned near = 0;
  int count = 0;
  for (unsigned m = movers; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    const bool out = BesidePathBox(extents_[i], pos_[resting]);
    near |= static_cast<unsigned>(!out) << i;
    count += out;
  }
  work_ += count;
  return near;
}

// The stone left play: none of its pairs can meet.
void EventLoop::DropPairsOf(int stone) {
  live_[stone] = 0;
  MarkLiveRow(stone);
  for (int a = 0; a < stone; ++a) {
    live_[a] &= ~(1u << stone);
    MarkLiveRow(a);
  }
}

void EventLoop::MarkLiveRow(int a) {
  live_rows_ = (live_rows_ & ~(1u << a)) | static_cast<unsigned>(live_[a] != 0) << a;
}

void EventLoop::SetSafe(int a, int b, ContactSearch found) {
  assert(a < b && (live_[a] >> b & 1u));
  safe_[Slot(a, b)] = found.time;
  final_[Slot(a, b)] = found.final;
  fresh_[a] &= ~(1u << b);
  if (found.time == kInfinity) {
    live_[a] &= ~(1u << b);
    if (live_[a] == 0) live_rows_ &= ~(1u << a);
  }
}

// A first safe time for a pair `distance` apart now: +inf (final) for a
// pair that cannot meet at all, else from the distance alone, as the gap
// cannot close faster than the two speeds together.
void EventLoop::FirstLook(int a, int b, double distance) {
  work_ += 4;
  double reach = 0.0;
  double speeds = 0.0;
  for (int stone : {a, b}) {
    if (!IsMoving(stone)) continue;
    const double v = paths_[stone].SpeedAt(t_);
    speeds += v;
    reach += RemainingPath(v);
  }
  SetSafe(a, b, FirstSafeTime(t_, distance, speeds, reach));
}

// Searches further from the pair's safe time. A search from now (a touching
// pair just found not to collide) does not count touching as a contact.
void EventLoop::Refine(int a, int b) {
  const double from = safe_[Slot(a, b)];
  assert(from >= t_);
  const bool contact_at_start = from > t_;
  const int m = IsMoving(a) ? a : b;
  const ContactSearch found =
      IsMoving(a) && IsMoving(b)
          ? PairContactTime(path_, paths_[a], paths_[b], from, kRefineSteps, contact_at_start)
          : PathContactTime(path_, paths_[m], from, pos_[m == a ? b : a], kRefineSteps,
                            contact_at_start);
  // A search step costs about as much as looking at a few pairs.
  work_ += 8 * (found.steps + 1);
  SetSafe(a, b, found);
}

}  // namespace curling::sim
