#include "sim/shot_simulation.h"

#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "sim/delivery_error.h"
#include "sim/event_loop.h"
#include "sim/min_max.h"
#include "sim/sheet_rules.h"

namespace curling::sim {
namespace {

constexpr Vec2 kDownTheSheet{0.0, -1.0};

void Report(ShotObserver* observer, EventKind kind, double t, int stone, Vec2 pos) {
  if (observer != nullptr) observer->EventOccurred(kind, t, stone, -1, pos, {0.0, 0.0});
}

// Bit i set: stone i of the record is not at (0, 0) (either zero).
unsigned StonesGiven(const GameState& state) {
  unsigned given = 0;
  for (int i = 0; i < kStoneCount; ++i) {
    uint64_t bits;
    std::memcpy(&bits, &state.Stones[i], sizeof bits);
    given |= static_cast<unsigned>((bits & 0x7FFFFFFF7FFFFFFFull) != 0) << i;
  }
  return given;
}

// Two doubles side by side (the compiler's vector extension; SSE2 on x86-64).
typedef double DoublePair __attribute__((vector_size(16)));

// Whether stone `s` overlaps one of the stones before index `count` (their
// coordinates in xs, ys; far away for stones not placed) by more than
// kDeepOverlap. Two stones at a time, without branches; the arrays hold
// kStoneCount entries, so that `count` rounded up to even stays inside.
bool OverlapsDeeply(const double* xs, const double* ys, int count, StonePosition s) {
  constexpr double kLimit = 2.0 * kStoneRadius - kDeepOverlap;
  const DoublePair x = {static_cast<double>(s.x), static_cast<double>(s.x)};
  const DoublePair y = {static_cast<double>(s.y), static_cast<double>(s.y)};
  const DoublePair limit = {kLimit * kLimit, kLimit * kLimit};
  DoublePair d2min = limit;
  for (int j = 0; j < count; j += 2) {
    DoublePair px;
    DoublePair py;
    std::memcpy(&px, xs + j, sizeof px);
    std::memcpy(&py, ys + j, sizeof py);
    const DoublePair dx = x - px;
    const DoublePair dy = y - py;
    const DoublePair d2 = dx * dx + dy * dy;
    d2min = d2 < d2min ? d2 : d2min;
  }
  return d2min[0] < kLimit * kLimit || d2min[1] < kLimit * kLimit;
}

// The stones of the input that are in play, returned as a mask, with their
// positions in `stones` (kStoneCount entries; the others' are left as they
// are).
unsigned CheckInputStones(const GameState& state, int delivered, Vec2* stones,
                          ShotObserver* observer) {
  unsigned given = StonesGiven(state);
  if (delivered >= 0) given &= ~(1u << delivered);
  constexpr double kFar = 1e9;
  double xs[kStoneCount];
  double ys[kStoneCount];
  for (int i = 0; i < kStoneCount; ++i) {
    xs[i] = kFar;
    ys[i] = kFar;
  }
  unsigned placed = 0;
  for (unsigned m = given; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    const StonePosition s = state.Stones[i];
    if (!IsPlayablePosition(s.x, s.y) || OverlapsDeeply(xs, ys, i, s)) {
      Report(observer, EventKind::kOutOfPlayBefore, 0.0, i, {s.x, s.y});
      continue;
    }
    xs[i] = s.x;
    ys[i] = s.y;
    placed |= 1u << i;
    stones[i] = {s.x, s.y};
  }
  return placed;
}

// Opponent stones in the free guard zone that this shot must not remove.
unsigned GuardedStones(const GameState& state, unsigned placed, const ShotOptions& options) {
  const int32_t shot_num = state.ShotNum;
  if (!options.free_guard_zone || shot_num < 0 || shot_num > kLastGuardedShot) return 0;
  const unsigned opponent = (shot_num + 1) % 2 == 0 ? 0x5555u : 0xAAAAu;
  unsigned guarded = 0;
  for (unsigned m = placed & opponent; m != 0; m &= m - 1u) {
    const int i = __builtin_ctz(m);
    if (IsInFreeGuardZone(state.Stones[i].x, state.Stones[i].y)) guarded |= 1u << i;
  }
  return guarded;
}

// The delivery after the random error, launched from the delivery point. A
// non-finite speed never enters play; `played` (may be null) receives what
// was launched.
void LaunchDelivery(const ShotVector& shot, int delivered, int spin, const ShotOptions& options,
                    CounterRandom& random, EventLoop& loop, ShotVector* played) {
  const double vx = shot.vx;
  const double vy = shot.vy;
  const double speed = std::sqrt(vx * vx + vy * vy);
  if (!std::isfinite(speed)) return;
  LaunchVelocity launch{MinOf(speed, kMaxSpeed),
                        speed > 0.0 ? Vec2{vx / speed, vy / speed} : kDownTheSheet};
  ApplyDeliveryError(CanonicalPath::Get(), spin, options.random_error, random, launch);
  if (played != nullptr) {
    played->vx = static_cast<float>(launch.speed * launch.direction.x);
    played->vy = static_cast<float>(launch.speed * launch.direction.y);
  }
  loop.PlaceStone(delivered, {kDeliveryX, kDeliveryY});
  loop.Launch(delivered, launch.direction, launch.speed, spin);
}

// The stones in play after the motion: a delivered stone short of the hog
// line that touched no other stone is removed.
unsigned StonesInPlayAfter(const EventLoop& loop, int delivered, ShotObserver* observer) {
  unsigned in_play = loop.InPlayMask();
  if (delivered >= 0 && loop.InPlay(delivered) && !loop.Touched(delivered) &&
      IsShortOfHogLine(loop.Position(delivered).y)) {
    in_play &= ~(1u << delivered);
    Report(observer, EventKind::kHogLine, loop.Time(), delivered, loop.Position(delivered));
  }
  return in_play;
}

// The stones written back: where they came to rest (the input's own values
// for stones that never moved), or every one as before the shot (and the
// delivered one removed) if a guarded stone left play. Stones out of play
// are written as (0, 0).
void WriteStones(const EventLoop& loop, unsigned placed, unsigned in_play, unsigned guarded,
                 int delivered, ShotObserver* observer, GameState& state) {
  unsigned kept = in_play & (placed | loop.MovedMask());
  if ((guarded & ~in_play) != 0) {
    kept = placed;
    in_play = 0;
    if (delivered >= 0) {
      Report(observer, EventKind::kFreeGuardZone, loop.Time(), delivered, {0.0, 0.0});
    }
  }
  for (int i = 0; i < kStoneCount; ++i) {
    if (!(kept >> i & 1u)) {
      state.Stones[i] = {0.0f, 0.0f};
    } else if (in_play >> i & loop.MovedMask() >> i & 1u) {
      const Vec2 p = loop.Position(i);
      state.Stones[i] = {static_cast<float>(p.x), static_cast<float>(p.y)};
    }
  }
}

// The two steps of a shot, inlined into SimulateShot as into the batch's
// calls (a single call should not pay for the step between them).
[[gnu::always_inline]] inline void Prepare(const GameState& state, const ShotOptions& options,
                                           ShotObserver* observer, PreparedPosition& position) {
  position.shot_num = state.ShotNum;
  position.delivered =
      (state.ShotNum >= 0 && state.ShotNum < kStoneCount) ? static_cast<int>(state.ShotNum) : -1;
  position.placed = CheckInputStones(state, position.delivered, position.stones, observer);
  position.guarded = GuardedStones(state, position.placed, options);
}

[[gnu::always_inline]] inline void PlayPrepared(const PreparedPosition& position, GameState& state,
                                                const ShotVector& shot, const ShotOptions& options,
                                                CounterRandom& random, ShotObserver* observer,
                                                ShotVector* played) {
  assert(state.ShotNum == position.shot_num);
  const int delivered = position.delivered;
  const uint8_t curl = shot.curl != 0 ? 1 : 0;
  if (played != nullptr) *played = ShotVector{0.0f, 0.0f, curl, {0, 0, 0}};

  EventLoop loop(CanonicalPath::Get(), observer);
  loop.PlaceStones(position.placed, position.stones);
  if (delivered >= 0) {
    LaunchDelivery(shot, delivered, curl != 0 ? 1 : -1, options, random, loop, played);
  }
  loop.Run();
  const unsigned in_play = StonesInPlayAfter(loop, delivered, observer);
  WriteStones(loop, position.placed, in_play, position.guarded, delivered, observer, state);
  state.ShotNum = static_cast<int32_t>(static_cast<uint32_t>(position.shot_num) + 1u);
}

}  // namespace

PreparedPosition PreparePosition(const GameState& state, const ShotOptions& options,
                                 ShotObserver* observer) {
  PreparedPosition position;
  Prepare(state, options, observer, position);
  return position;
}

void PlayPreparedShot(const PreparedPosition& position, GameState& state, const ShotVector& shot,
                      const ShotOptions& options, CounterRandom& random, ShotObserver* observer,
                      ShotVector* played) {
  PlayPrepared(position, state, shot, options, random, observer, played);
}

void SimulateShot(GameState& state, const ShotVector& shot, const ShotOptions& options,
                  CounterRandom& random, ShotObserver* observer, ShotVector* played) {
  PreparedPosition position;
  Prepare(state, options, observer, position);
  PlayPrepared(position, state, shot, options, random, observer, played);
}

}  // namespace curling::sim
