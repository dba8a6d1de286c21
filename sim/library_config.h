// Library-wide configuration set through the C exports before use, and the
// derivation of the random key of each C-export call.
#pragma once

#include <cstdint>

#include "curling_simulator/records.h"

namespace curling::sim {

void SetLibrarySeed(uint64_t seed);
uint64_t LibrarySeed();
void SetLibraryFreeGuardZone(bool enabled);
bool LibraryFreeGuardZone();

// Hash of everything a Simulation call is given (padding bytes excluded).
uint64_t HashSimulationInputs(const GameState& state, const ShotVector& shot, float random_error);

// Random key of the next Simulation call on this thread: the library seed,
// the call's input hash and this thread's call counter (which it advances).
uint64_t NextCallKey(uint64_t input_hash);

// Advances this thread's call counter past `calls` calls that drew nothing.
void SkipCallKeys(uint64_t calls);

// Random key of shot number `counter` of an explicit stream.
uint64_t StreamKey(uint64_t seed, uint64_t stream, uint64_t counter);

}  // namespace curling::sim
