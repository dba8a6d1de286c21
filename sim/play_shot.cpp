// The C++ interface: a shot from an explicit random stream, with its record.
#include "curling_simulator/simulator.h"
#include "sim/library_config.h"
#include "sim/shot_simulation.h"
#include "sim/trajectory_recorder.h"

namespace curling::sim {

namespace {

ShotOptions OptionsOf(float random_error, const Rules& rules) {
  ShotOptions options;
  options.random_error = random_error;
  options.free_guard_zone = rules.free_guard_zone;
  return options;
}

// The random draws of the next shot of `stream`, which moves on by one shot.
CounterRandom NextShotRandom(RandomStream& stream) {
  CounterRandom random(StreamKey(stream.seed, stream.stream, stream.counter));
  ++stream.counter;
  return random;
}

}  // namespace

ShotOutcome PlayShot(const GameState& state, const ShotVector& shot, float random_error,
                     RandomStream& stream, const Rules& rules, float sample_interval) {
  CounterRandom random = NextShotRandom(stream);
  const ShotOptions options = OptionsOf(random_error, rules);

  ShotOutcome outcome;
  outcome.final_state = state;
  TrajectoryRecorder recorder(CanonicalPath::Get(), sample_interval);
  SimulateShot(outcome.final_state, shot, options, random, &recorder, &outcome.played);
  outcome.trajectories = recorder.TakeTrajectories();
  outcome.events = recorder.TakeEvents();
  return outcome;
}

GameState PlayShotFinalState(const GameState& state, const ShotVector& shot, float random_error,
                             RandomStream& stream, const Rules& rules) {
  CounterRandom random = NextShotRandom(stream);
  GameState final_state = state;
  SimulateShot(final_state, shot, OptionsOf(random_error, rules), random, nullptr, nullptr);
  return final_state;
}

}  // namespace curling::sim
