// One shot played on a game state: input positions checked, the delivery
// (with random error) launched, the stones' motion run, the hog line and free
// guard zone rules applied, and the state updated in place.
#pragma once

#include <cstdint>

#include "curling_simulator/records.h"
#include "sim/counter_random.h"
#include "sim/shot_observer.h"

namespace curling::sim {

struct ShotOptions {
  double random_error = 0.0;  // standard deviation in metres
  bool free_guard_zone = true;
};

// What every shot from one position shares, worked out once: which stones of
// the input are in play (and where), which of them the free guard zone
// protects, and which stone the shot delivers.
struct PreparedPosition {
  int32_t shot_num = 0;
  int delivered = -1;        // the stone the shot delivers, -1 for none
  unsigned placed = 0;       // bit i: stone i of the input is in play
  unsigned guarded = 0;      // bit i: stone i may not be removed by the shot
  Vec2 stones[kStoneCount];  // where the stones in `placed` lie (the others unset)
};

// Checks the input stones of `state` (`observer`, may be null, sees those
// out of play) and finds those the free guard zone protects.
PreparedPosition PreparePosition(const GameState& state, const ShotOptions& options,
                                 ShotObserver* observer);

// Plays `shot` from a prepared position onto `state`, which holds the
// position it was prepared from; as SimulateShot does.
void PlayPreparedShot(const PreparedPosition& position, GameState& state, const ShotVector& shot,
                      const ShotOptions& options, CounterRandom& random, ShotObserver* observer,
                      ShotVector* played);

// Plays `shot` as stone state.ShotNum. On return every stone is at rest on the
// sheet or at (0, 0), ShotNum is one higher and no other field changed.
// `played` (may be null) receives the delivery after the error; `observer`
// (may be null) sees motion and events.
void SimulateShot(GameState& state, const ShotVector& shot, const ShotOptions& options,
                  CounterRandom& random, ShotObserver* observer, ShotVector* played);

}  // namespace curling::sim
