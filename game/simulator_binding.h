// The engine's binding to the physics library, loaded at run time by file
// name. The evaluation and the search call the library only through the
// functions here.
#pragma once

#include <cstdint>
#include <string>

#include "curling_simulator/records.h"

namespace curling {

// Loads the library from `path` (absolute, or a bare name for the default
// search order) and looks up Simulation, CreateShot and CreateHitShot in that
// order. A library lacking any of them counts as not loaded. On failure
// `reason` says why and the previous binding is kept.
bool LoadSimulator(const std::string& path, std::string& reason);

// Calls through the bound exports (a library must be bound). Results are the
// library's and are ignored by the engine.
int Simulation(GameState* state, ShotVector shot, float random_error, void* reserved,
               int reserved_flag);
int CreateShot(AimPoint aim, ShotVector* out);
int CreateHitShot(AimPoint aim, float power, ShotVector* out);

// Plays each of shots[0..count) from `state` with no random error into
// results[i]: what Simulation(copy of state, shots[i], 0, nullptr, -1)
// writes. Through the library's optional SimulationBatch export, which checks
// the stones once for all, or else one Simulation call each. Counts as
// `count` simulations.
void SimulateWithoutError(const GameState& state, const ShotVector* shots, int count,
                          GameState* results);

// Calls made through the functions above since the process started (a shot
// of SimulateWithoutError counts as a simulation), from every thread (relaxed
// counters: read them once the callers are done).
struct LibraryCallCounts {
  uint64_t simulations = 0;
  uint64_t create_shots = 0;
  uint64_t create_hit_shots = 0;
  uint64_t Total() const { return simulations + create_shots + create_hit_shots; }
};
LibraryCallCounts LibraryCalls();

// Sets the library's random seed through its optional SetRandomSeed export.
// Returns false, changing nothing, when the bound library has no such export.
bool SetLibraryRandomSeed(uint64_t seed);

}  // namespace curling
