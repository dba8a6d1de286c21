#include "sim/shot_simulation.h"

#include <cmath>
#include <cstdint>

#include "sim/delivery_error.h"
#include "sim/event_loop.h"
#include "sim/sheet_rules.h"

namespace curling::sim {
namespace {

constexpr double kDownTheSheet = -1.5707963267948966192313216916397514;

void Report(ShotObserver* observer, EventKind kind, double t, int stone, Vec2 pos) {
  if (observer != nullptr) observer->EventOccurred(kind, t, stone, -1, pos, {0.0, 0.0});
}

// Whether stone `s` overlaps one of the stones placed so far (before[0..i),
// (0, 0) where none) by more than kDeepOverlap.
bool OverlapsDeeply(const StonePosition* before, int i, StonePosition s) {
  constexpr double kLimit = 2.0 * kStoneRadius - kDeepOverlap;
  for (int j = 0; j < i; ++j) {
    if (IsOutOfPlayMarker(before[j].x, before[j].y)) continue;
    const double dx = static_cast<double>(s.x) - before[j].x;
    if (dx >= kLimit || dx <= -kLimit) continue;  // most pairs: no multiply needed
    const double dy = static_cast<double>(s.y) - before[j].y;
    if (dx * dx + dy * dy < kLimit * kLimit) return true;
  }
  return false;
}

}  // namespace

void SimulateShot(GameState& state, const ShotVector& shot, const ShotOptions& options,
                  CounterRandom& random, ShotObserver* observer, ShotVector* played) {
  const CanonicalPath& path = CanonicalPath::Get();
  const int32_t shot_num = state.ShotNum;
  const int delivered = (shot_num >= 0 && shot_num < kStoneCount) ? shot_num : -1;
  const uint8_t curl = shot.curl != 0 ? 1 : 0;
  const int spin = curl != 0 ? 1 : -1;
  if (played != nullptr) *played = ShotVector{0.0f, 0.0f, curl, {0, 0, 0}};

  EventLoop loop(path, observer);
  StonePosition before[kStoneCount];
  for (int i = 0; i < kStoneCount; ++i) {
    const StonePosition s = state.Stones[i];
    before[i] = {0.0f, 0.0f};
    if (i == delivered || IsOutOfPlayMarker(s.x, s.y)) continue;
    if (!IsPlayablePosition(s.x, s.y) || OverlapsDeeply(before, i, s)) {
      Report(observer, EventKind::kOutOfPlayBefore, 0.0, i, {s.x, s.y});
      continue;
    }
    before[i] = s;
    loop.PlaceStone(i, {s.x, s.y});
  }

  // Opponent stones in the free guard zone that this shot must not remove.
  bool guarded[kStoneCount] = {};
  if (options.free_guard_zone && shot_num >= 0 && shot_num <= kLastGuardedShot) {
    const int opponent = (shot_num + 1) % 2;
    for (int i = 0; i < kStoneCount; ++i) {
      if (i % 2 != opponent || !loop.InPlay(i)) continue;
      const Vec2 p = loop.Position(i);
      guarded[i] = IsInFreeGuardZone(p.x, p.y);
    }
  }

  if (delivered >= 0) {
    const double vx = shot.vx;
    const double vy = shot.vy;
    const double speed = std::hypot(vx, vy);
    if (std::isfinite(speed)) {  // else the stone never enters play
      Delivery delivery{speed < kMaxSpeed ? speed : kMaxSpeed,
                        speed > 0.0 ? std::atan2(vy, vx) : kDownTheSheet};
      ApplyDeliveryError(path, spin, options.random_error, random, delivery);
      if (played != nullptr) {
        played->vx = static_cast<float>(delivery.speed * std::cos(delivery.heading));
        played->vy = static_cast<float>(delivery.speed * std::sin(delivery.heading));
      }
      loop.PlaceStone(delivered, {kDeliveryX, kDeliveryY});
      loop.Launch(delivered, delivery.speed, delivery.heading, spin);
    }
  }

  loop.Run();

  bool in_play[kStoneCount];
  for (int i = 0; i < kStoneCount; ++i)
    in_play[i] = loop.InPlay(i);
  if (delivered >= 0 && in_play[delivered] && !loop.Touched(delivered) &&
      IsShortOfHogLine(loop.Position(delivered).y)) {
    in_play[delivered] = false;
    Report(observer, EventKind::kHogLine, loop.Time(), delivered, loop.Position(delivered));
  }

  bool guard_broken = false;
  for (int i = 0; i < kStoneCount; ++i)
    guard_broken = guard_broken || (guarded[i] && !in_play[i]);

  if (guard_broken) {
    for (int i = 0; i < kStoneCount; ++i)
      state.Stones[i] = before[i];
    if (delivered >= 0) {
      Report(observer, EventKind::kFreeGuardZone, loop.Time(), delivered, {0.0, 0.0});
    }
  } else {
    for (int i = 0; i < kStoneCount; ++i) {
      if (!in_play[i]) {
        state.Stones[i] = {0.0f, 0.0f};
      } else if (loop.Moved(i)) {
        const Vec2 p = loop.Position(i);
        state.Stones[i] = {static_cast<float>(p.x), static_cast<float>(p.y)};
      } else {
        state.Stones[i] = before[i];
      }
    }
  }
  state.ShotNum = static_cast<int32_t>(static_cast<uint32_t>(shot_num) + 1u);
}

}  // namespace curling::sim
