// The C exports of libCurlingSimulator.so (CurlingSimulator.dll on Windows)
// and the function-pointer types the engine binds them through.
#pragma once

#include <cstdint>

#include "curling_simulator/records.h"

#if defined(_WIN32) && defined(CURLING_SIMULATOR_BUILD)
#define CURLING_SIM_API __declspec(dllexport)
#elif defined(_WIN32)
#define CURLING_SIM_API __declspec(dllimport)
#elif defined(CURLING_SIMULATOR_BUILD)
#define CURLING_SIM_API __attribute__((visibility("default")))
#else
#define CURLING_SIM_API
#endif

extern "C" {

// Plays `shot` as stone state->ShotNum from the delivery point, with random
// delivery error of standard deviation `random_error` metres. On return every
// stone is at rest on the sheet or at (0, 0) and ShotNum is one higher.
// `reserved` is always null and `reserved_flag` always -1. Returns 1.
CURLING_SIM_API int Simulation(GameState* state, ShotVector shot, float random_error,
                               void* reserved, int reserved_flag);

// Plays each of shots[0..count) from *state exactly as given (no random
// error), writing the position after shot i to results[i]: what Simulation
// writes on a copy of *state given shots[i] and random_error 0. The input
// stones are checked once for every shot. `results` must not overlap `state`.
// The calling thread's call counter advances by `count`, as `count` calls of
// Simulation would advance it. Returns 1, or 0 with nothing written when a
// pointer is null (and count above 0) or count is below 0.
CURLING_SIM_API int SimulationBatch(const GameState* state, const ShotVector* shots, int count,
                                    GameState* results);

// The delivery whose unobstructed rest point is the aim point. Returns 1, or 0
// when the aim cannot be reached (the delivery then never enters play).
CURLING_SIM_API int CreateShot(AimPoint aim, ShotVector* out);

// The delivery whose unobstructed path passes the aim point with `power`
// metres still to run. Returns 1, or 0 when the aim cannot be reached.
CURLING_SIM_API int CreateHitShot(AimPoint aim, float power, ShotVector* out);

// Seed of the random error drawn by Simulation (default 0). Set before use.
CURLING_SIM_API void SetRandomSeed(uint64_t seed);

// Five-rock free guard zone rule: non-zero turns it on (the default).
CURLING_SIM_API void SetFreeGuardZoneRule(int enabled);

// The library's version, "major.minor.patch" (CURLING_SIMULATOR_VERSION of
// curling_simulator/version.h when the library was built). Never null.
CURLING_SIM_API const char* CurlingSimulatorVersion(void);

}  // extern "C"

using SimulationFunction = int (*)(GameState*, ShotVector, float, void*, int);
using SimulationBatchFunction = int (*)(const GameState*, const ShotVector*, int, GameState*);
using CreateShotFunction = int (*)(AimPoint, ShotVector*);
using CreateHitShotFunction = int (*)(AimPoint, float, ShotVector*);
