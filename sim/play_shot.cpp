// The C++ interface: a shot from an explicit random stream, with its record.
#include "curling_simulator/simulator.h"
#include "sim/library_config.h"
#include "sim/shot_simulation.h"
#include "sim/trajectory_recorder.h"

namespace curling::sim {

ShotOutcome PlayShot(const GameState& state, const ShotVector& shot, float random_error,
                     RandomStream& stream, const Rules& rules, float sample_interval) {
  CounterRandom random(StreamKey(stream.seed, stream.stream, stream.counter));
  ++stream.counter;
  ShotOptions options;
  options.random_error = random_error;
  options.free_guard_zone = rules.free_guard_zone;

  ShotOutcome outcome;
  outcome.final_state = state;
  TrajectoryRecorder recorder(CanonicalPath::Get(), sample_interval);
  SimulateShot(outcome.final_state, shot, options, random, &recorder, &outcome.played);
  outcome.trajectories = recorder.TakeTrajectories();
  outcome.events = recorder.TakeEvents();
  return outcome;
}

}  // namespace curling::sim
