// Helpers shared by the black-box tests of the physics library: calls through
// the C exports and PlayShot, and comparison with the reference stepper.
#pragma once

#include <cstdint>
#include <vector>

#include "curling_simulator/records.h"
#include "curling_simulator/simulator.h"
#include "curling_simulator/simulator_exports.h"
#include "support/reference_stepper.h"
#include "support/scenes.h"

namespace curling::simtest {

// Sample counts shrink under the sanitizers (CURLING_SIMTEST_REDUCED), where
// the reference stepper is many times slower; release runs the full counts.
#if defined(CURLING_SIMTEST_REDUCED)
inline constexpr bool kReduced = true;
#else
inline constexpr bool kReduced = false;
#endif

GameState EmptyState(int shot_num);

AimPoint Aim(double x, double y, int curl);

// CreateShot / CreateHitShot, asserting success.
ShotVector Draw(double x, double y, int curl);
ShotVector Hit(double x, double y, int curl, double power);

// One call of the C export Simulation on a copy of `state`.
GameState Simulate(const GameState& state, const ShotVector& shot, float error = 0.0f);

// The reference stepper on the same delivery (no random error).
reference::ReferenceResult Reference(const GameState& state, const ShotVector& shot,
                                     bool free_guard_zone = true,
                                     std::vector<double> sample_times = {});

// Largest distance between the stones of two states (metres); a stone at
// (0, 0) in one and not the other counts as infinitely far.
double MaxStoneDistance(const GameState& a, const GameState& b);

// A stone at (0, 0) is out of play.
bool IsOut(const GameState& s, int i);

// Whether PlayShot reported an event of `kind` for stone `stone`.
bool HasEvent(const sim::ShotOutcome& out, sim::EventKind kind, int stone);

// The trajectory of `stone`, or nullptr.
const sim::StoneTrajectory* FindTrajectory(const sim::ShotOutcome& out, int stone);

// PlayShot with error 0 on a fresh stream.
sim::ShotOutcome PlayExact(const GameState& s, const ShotVector& shot, bool free_guard_zone = true,
                           float sample_interval = 0.05f);

// The delivery of a scene (CreateShot or CreateHitShot).
ShotVector SceneShot(const scenes::Scene& sc);

// FNV-1a over the bytes of a record.
uint64_t HashBytes(uint64_t hash, const void* data, size_t size);

}  // namespace curling::simtest
