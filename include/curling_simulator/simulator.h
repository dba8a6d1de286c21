// C++ interface of libCurlingSimulator.so, for programs that link the library
// directly (the match server, tools, tests). Unlike the C exports, a call here
// takes its random stream explicitly and returns the whole shot: final state,
// trajectories of every stone that moved, and the events of the shot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "curling_simulator/records.h"
#include "curling_simulator/simulator_exports.h"

namespace curling::sim {

// An explicit, reproducible source of random draws: `seed` names the match,
// `stream` separates independent sequences (e.g. games played in parallel),
// `counter` advances by one per shot played from it.
struct RandomStream {
  uint64_t seed = 0;
  uint64_t stream = 0;
  uint64_t counter = 0;
};

struct Rules {
  bool free_guard_zone = true;
};

struct TrajectorySample {
  float t;  // seconds since release
  float x;
  float y;
};

struct StoneTrajectory {
  int stone;                              // index in GameState::Stones
  std::vector<TrajectorySample> samples;  // first sample at the start of motion, last at rest/exit
};

enum class EventKind : uint8_t {
  kCollision,        // stones a and b touched
  kStopped,          // stone a came to rest
  kLeftSide,         // stone a touched a side board
  kLeftBack,         // stone a passed wholly beyond the back line
  kHogLine,          // delivered stone a removed: did not wholly cross the hog line
  kFreeGuardZone,    // rule broken: stones restored, delivered stone a removed
  kEventLimit,       // event limit reached, every stone stopped where it was
  kOutOfPlayBefore,  // stone a was out of play (invalid) before the shot
  kLeftDeliveryEnd,  // stone a passed beyond the delivery point (up the sheet)
};

// The event's name in game records and bindings: "collision", "left_side", ...
constexpr const char* EventKindName(EventKind kind) {
  switch (kind) {
    case EventKind::kCollision:
      return "collision";
    case EventKind::kStopped:
      return "stopped";
    case EventKind::kLeftSide:
      return "left_side";
    case EventKind::kLeftBack:
      return "left_back";
    case EventKind::kHogLine:
      return "hog_line";
    case EventKind::kFreeGuardZone:
      return "free_guard_zone";
    case EventKind::kEventLimit:
      return "event_limit";
    case EventKind::kOutOfPlayBefore:
      return "out_of_play_before";
    case EventKind::kLeftDeliveryEnd:
      return "left_delivery_end";
  }
  return "other";
}

struct ShotEvent {
  EventKind kind;
  float t;
  int a;
  int b;  // -1 unless a collision
  float x;
  float y;
};

struct ShotOutcome {
  GameState final_state;
  std::vector<StoneTrajectory> trajectories;
  std::vector<ShotEvent> events;
  // The delivery after random error, rounded to single precision; the shot
  // itself was played from the unrounded values, so replaying `played` with no
  // error can land a few micrometres away from final_state.
  ShotVector played;
};

// Plays `shot` on `state` as stone state.ShotNum, drawing its random error from
// `stream` (advancing stream.counter). Trajectories are sampled every
// `sample_interval` seconds plus at every event.
CURLING_SIM_API ShotOutcome PlayShot(const GameState& state, const ShotVector& shot,
                                     float random_error, RandomStream& stream,
                                     const Rules& rules = Rules{}, float sample_interval = 0.05f);

// PlayShot without the record: the same shot from the same stream (advancing
// stream.counter), returning only the state after it, with nothing allocated.
// For programs that play many shots and keep only where the stones rest.
CURLING_SIM_API GameState PlayShotFinalState(const GameState& state, const ShotVector& shot,
                                             float random_error, RandomStream& stream,
                                             const Rules& rules = Rules{});

// One delivery of a batch: the shot and the stream its random error comes
// from.
struct BatchDelivery {
  ShotVector shot;
  RandomStream stream;
};

// Plays every delivery of `deliveries` from the same `state`, as
// PlayShotFinalState would one by one: writes the state after delivery i to
// results[i] (bit for bit what the single call returns) and advances its
// stream. The input stones are checked once for the whole batch, and nothing
// is allocated per delivery. Up to `threads` threads (at most 256, and no
// more than there are pieces of 16 deliveries) share the work, the calling
// thread included; fewer run if threads cannot start. Every result depends
// on its own delivery only, not on the thread that played it. `results`
// holds `count` states and does not overlap `deliveries` (it may hold
// `state`); null arrays with a non-zero count throw std::invalid_argument.
CURLING_SIM_API void PlayBatchFinalStates(const GameState& state, BatchDelivery* deliveries,
                                          GameState* results, size_t count, float random_error,
                                          const Rules& rules = Rules{}, int threads = 1);

}  // namespace curling::sim
